#include "cli/Commande.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"

#include <limits>

namespace kovra {

namespace {

constexpr int kMax16 = std::numeric_limits<qint16>::max();

void Liste(ContexteCli& ctx, const Appel&) {
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    for (const QString& nom : base.ListeNoms()) {
        ctx.sortie << nom << "\n";
    }
}

void Cree(ContexteCli& ctx, const Appel& a) {
    if (!a.A(QStringLiteral("--type"))) {
        throw ErreurUsage(QStringLiteral("--type Emulation or --type Fichier is needed"));
    }
    NouveauScenario n;
    n.Nom = a.positionnels[0];
    n.Type = a.Valeur(QStringLiteral("--type"));
    n.Chemin = a.Valeur(QStringLiteral("--path"));
    n.Numerote = a.A(QStringLiteral("--numbered"));
    if (a.A(QStringLiteral("--partial"))) {
        n.NbrTrame = static_cast<qint16>(EntierArgument(a.Valeur(QStringLiteral("--partial")),
                                                        QStringLiteral("--partial"), 1, kMax16));
    }
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    ctx.sortie << CreeScenario(base, n) << "\n";
}

void Ajoute(ContexteCli& ctx, const Appel& a) {
    int place = 0;
    if (a.A(QStringLiteral("--place"))) {
        place = EntierArgument(a.Valeur(QStringLiteral("--place")), QStringLiteral("--place"), 0,
                               kMax16);
    }
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    const qint16 numero = NumeroScenario(base, a.positionnels[0]);
    ctx.sortie << AjouteAction(base, numero, a.positionnels[1], place) << "\n";
}

void Boucle(ContexteCli& ctx, const Appel& a) {
    const int n = EntierArgument(a.positionnels[1], QStringLiteral("N"), 0, kMax16);
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    base.MetAJourBoucle(NumeroScenario(base, a.positionnels[0]), n);
}

void Depart(ContexteCli& ctx, const Appel& a) {
    const int n = EntierArgument(a.positionnels[1], QStringLiteral("N"), 0, kMax16);
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    base.MetAJourDepart(NumeroScenario(base, a.positionnels[0]), n);
}

void Supprime(ContexteCli& ctx, const Appel& a) {
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    SupprimeScenario(base, ctx.registre, ctx.DossierPret(), a.positionnels[0]);
}

void Exporte(ContexteCli& ctx, const Appel& a) {
    BaseScen base(CheminDonnee(ctx.DossierPret(), kScenDb));
    ExporteScenario(base, ctx.DossierPret(), NumeroScenario(base, a.positionnels[0]));
}

} // namespace

void AjouteCommandesScenario(std::vector<Commande>& table) {
    table.push_back({{"scenario", "list"},
                     0,
                     {},
                     "scenario list",
                     "Print the scenario names, one a line, in table order.",
                     Liste});
    table.push_back(
        {{"scenario", "create"},
         1,
         {{"--type", true}, {"--path", true}, {"--partial", true}, {"--numbered", false}},
         "scenario create NAME --type Emulation|Fichier [--path P] [--partial N] [--numbered]",
         "Create a scenario and print its number. --path: output file of a file scenario; "
         "--partial N: incoming records of N fields, of which the actions' places are kept; "
         "--numbered: never replace an output file, write Name1.ext, Name2.ext...",
         Cree});
    table.push_back({{"scenario", "add"},
                     2,
                     {{"--place", true}},
                     "scenario add NAME ACTION [--place N]",
                     "Append an action and print its number. --place: the field of the "
                     "incoming record it takes (partial frames).",
                     Ajoute});
    table.push_back({{"scenario", "loop"},
                     2,
                     {},
                     "scenario loop NAME N",
                     "Set the loop position: the action at which every later pass starts.",
                     Boucle});
    table.push_back(
        {{"scenario", "start"}, 2, {}, "scenario start NAME N", "Set the start position.", Depart});
    table.push_back({{"scenario", "delete"},
                     1,
                     {},
                     "scenario delete NAME",
                     "Delete a scenario, its actions and its compiled file; registry values "
                     "naming it become empty.",
                     Supprime});
    table.push_back({{"export"},
                     1,
                     {},
                     "export NAME",
                     "Compile a scenario into Scenarios/NAME.ini, which reception reads.",
                     Exporte});
}

} // namespace kovra
