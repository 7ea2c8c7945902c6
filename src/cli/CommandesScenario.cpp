#include "app/EssaiScenario.h"
#include "cli/Commande.h"
#include "cli/DialoguesConsole.h"
#include "cli/NoyauCommande.h"
#include "processing/GenreAction.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/EditionActions.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"

#include <limits>
#include <optional>

namespace kovra {

namespace {

constexpr int kMax16 = std::numeric_limits<qint16>::max();

void Liste(ContexteCli& ctx, const Appel&) {
    BaseScen& base = ctx.Base();
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
    BaseScen& base = ctx.Base();
    ctx.sortie << CreeScenario(base, n) << "\n";
}

// The frame field given with --place for `action`, if any. Only an action that takes a
// field has one: a place on any other would shift the places of the fields after it.
std::optional<int> PlaceDonnee(const Appel& a, const QString& action) {
    if (!a.A(QStringLiteral("--place"))) {
        return std::nullopt;
    }
    const int place = EntierArgument(a.Valeur(QStringLiteral("--place")), QStringLiteral("--place"),
                                     0, kPlaceTrameMax);
    if (place != 0 && !PrendChamp(action)) {
        throw ErreurUsage(QStringLiteral("--place is for an action that takes a field of the "
                                         "record (&CODE, &QTY, &EMP...); \"%1\" takes none")
                              .arg(action));
    }
    return place;
}

void Ajoute(ContexteCli& ctx, const Appel& a) {
    const int place = PlaceDonnee(a, a.positionnels[1]).value_or(0);
    BaseScen& base = ctx.Base();
    const qint16 numero = NumeroScenario(base, a.positionnels[0]);
    ctx.sortie << AjouteAction(base, numero, a.positionnels[1], place) << "\n";
}

int NumeroAction(const Appel& a) {
    return EntierArgument(a.positionnels[1], QStringLiteral("N"), 1, kMax16);
}

void Montre(ContexteCli& ctx, const Appel& a) {
    BaseScen& base = ctx.Base();
    for (const QString& ligne : LignesListeActions(base, NumeroScenario(base, a.positionnels[0]))) {
        ctx.sortie << ligne << "\n";
    }
}

void Modifie(ContexteCli& ctx, const Appel& a) {
    const int n = NumeroAction(a);
    const QString& action = a.positionnels[2];
    std::optional<int> place = PlaceDonnee(a, action);
    if (!PrendChamp(action)) {
        place = 0; // a field that becomes another kind of action gives its place up
    }
    BaseScen& base = ctx.Base();
    EditeAction(base, NumeroScenario(base, a.positionnels[0]), n, action, place);
}

void Insere(ContexteCli& ctx, const Appel& a) {
    const int n = NumeroAction(a);
    const int place = PlaceDonnee(a, a.positionnels[2]).value_or(0);
    BaseScen& base = ctx.Base();
    InsereNouvelleAction(base, NumeroScenario(base, a.positionnels[0]), n, a.positionnels[2],
                         place);
}

void Retire(ContexteCli& ctx, const Appel& a) {
    const int n = NumeroAction(a);
    BaseScen& base = ctx.Base();
    RetireAction(base, NumeroScenario(base, a.positionnels[0]), n);
}

void Boucle(ContexteCli& ctx, const Appel& a) {
    const int n = EntierArgument(a.positionnels[1], QStringLiteral("N"), 0, kMax16);
    BaseScen& base = ctx.Base();
    base.MetAJourBoucle(NumeroScenario(base, a.positionnels[0]), n);
}

void Depart(ContexteCli& ctx, const Appel& a) {
    const int n = EntierArgument(a.positionnels[1], QStringLiteral("N"), 0, kMax16);
    BaseScen& base = ctx.Base();
    base.MetAJourDepart(NumeroScenario(base, a.positionnels[0]), n);
}

void Supprime(ContexteCli& ctx, const Appel& a) {
    BaseScen& base = ctx.Base();
    SupprimeScenario(base, ctx.registre, ctx.DossierPret(), a.positionnels[0]);
}

void Exporte(ContexteCli& ctx, const Appel& a) {
    BaseScen& base = ctx.Base();
    ExporteScenario(base, ctx.DossierPret(), NumeroScenario(base, a.positionnels[0]));
}

// The test window's run: the values answer its questions in order, a missing one is
// empty. Values left over would be dropped unseen, so they are refused before anything is
// delivered.
void Teste(ContexteCli& ctx, const Appel& a) {
    const QStringList valeurs = a.Valeurs(QStringLiteral("--value"));
    qsizetype posees = 0;
    const QuestionEssai question = [&](const QString&) {
        const qsizetype i = posees++;
        return i < valeurs.size() ? valeurs[i] : QString();
    };
    BaseScen& base = ctx.Base();
    DemandeTraitement demande =
        PrepareEssai(base, ctx.DossierPret(), NumeroScenario(base, a.positionnels[0]), question);
    if (valeurs.size() > posees) {
        throw ErreurUsage(
            QStringLiteral("%1 values given, the test asks %2").arg(valeurs.size()).arg(posees));
    }
    // Typed or written at once, like process --deliver: from a terminal, the window to
    // type into is chosen before the command runs.
    demande.delaiAvant = kAvantFrappe;
    DialoguesConsole dialogues(ctx.erreurs);
    LivreTrame(ctx, std::move(demande), dialogues);
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
                     "incoming record it takes (partial frames; only for an action that takes "
                     "a field: &CODE, &QTY, &EMP...). Changes the database only: run export to "
                     "compile.",
                     Ajoute});
    table.push_back({{"scenario", "show"},
                     1,
                     {},
                     "scenario show NAME",
                     "Print the action list as the editor shows it: \"--- \" and each action, "
                     "then an empty line, \"Boucle : n\" and \"Départ : n\" (nothing more "
                     "for a scenario without actions).",
                     Montre});
    table.push_back({{"scenario", "set"},
                     3,
                     {{"--place", true}},
                     "scenario set NAME N ACTION [--place P]",
                     "Replace the text of action N; --place: its field of the incoming record "
                     "(else a field action keeps the field it had; any other action has "
                     "none). Changes the database only, like add.",
                     Modifie});
    table.push_back({{"scenario", "insert"},
                     3,
                     {{"--place", true}},
                     "scenario insert NAME N ACTION [--place P]",
                     "Insert a new action N (N from 1 to the number of actions + 1); the "
                     "actions from N on move one number up; --place as for add. The loop and "
                     "start positions stay as they are. Changes the database only, like add.",
                     Insere});
    table.push_back({{"scenario", "remove"},
                     2,
                     {},
                     "scenario remove NAME N",
                     "Remove action N; the actions after it move one number down. The loop "
                     "and start positions stay as they are. Changes the database only, like add.",
                     Retire});
    table.push_back({{"scenario", "test"},
                     1,
                     {{"--value", true}},
                     "scenario test NAME [--value V ...]",
                     "Try a scenario as the editor's test window does: four records, each "
                     "with one value for every action that takes a field (in list order; a "
                     "value not given is empty); the scenario is compiled, and the output "
                     "typed into the focused window or written to the scenario's file. The "
                     "chosen scenario stays as it is. Advances the counter of Scen.db.",
                     Teste});
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
                     "Compile a scenario into Scenarios/NAME.ini, which reception reads. The "
                     "scenario commands change the database only: run export after them.",
                     Exporte});
}

} // namespace kovra
