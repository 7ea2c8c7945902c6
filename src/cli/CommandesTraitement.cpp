#include "base/ErreurKovra.h"
#include "base/Windows1252.h"
#include "cli/Commande.h"
#include "cli/DialoguesConsole.h"
#include "cli/NoyauCommande.h"
#include "processing/Compteur.h"
#include "processing/TraiteDonnees.h"
#include "storage/NomScenario.h"
#include "storage/Registre.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>

namespace kovra {

namespace {

QByteArray LitTrame(ContexteCli& ctx, const Appel& a) {
    if (!a.A(QStringLiteral("--frame"))) {
        return ctx.entree.readAll();
    }
    const QString chemin = a.Valeur(QStringLiteral("--frame"));
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        throw ErreurKovra(
            QStringLiteral("Impossible de lire la trame %1 : %2.").arg(chemin, f.errorString()));
    }
    return f.readAll();
}

void Traite(ContexteCli& ctx, const Appel& a) {
    if (!a.A(QStringLiteral("--scenario"))) {
        throw ErreurUsage(QStringLiteral("--scenario NAME is needed"));
    }
    const QString nom = a.Valeur(QStringLiteral("--scenario"));
    const QString dossier = ctx.DossierPret();
    if (ProblemeNomScenario(nom) || !QFileInfo(CheminScenario(dossier, nom)).isFile()) {
        throw ErreurKovra(QStringLiteral("Le scénario compilé %1 n'existe pas (kovra-cli export "
                                         "le crée).")
                              .arg(CheminScenario(dossier, nom)));
    }
    auto scenario = std::make_shared<EtatScenario>();
    InfoBulleMuette bulle;
    ChargeScenario(*scenario, nom, dossier, bulle, 0);
    scenario->ScenarioActif = nom;
    const QString trame = DecodeWindows1252(LitTrame(ctx, a));

    DialoguesConsole dialogues(ctx.erreurs);
    if (a.A(QStringLiteral("--deliver"))) {
        DemandeTraitement demande;
        demande.trame = trame;
        demande.scenario = std::move(scenario);
        demande.reinitialisePort = false;
        LivreTrame(ctx, std::move(demande), dialogues);
        return;
    }
    // A frame whose counter cannot be taken gives no output.
    const std::optional<QString> compteur = CompteurSuivant(dossier, dialogues);
    if (!compteur) {
        throw ErreurKovra(QStringLiteral("La trame n'a pas été traitée."));
    }
    ProgressionMuette progression;
    EtatTraitement etat;
    const TableTouches touches = ChargeTableTouches(dossier);
    const ContexteTraitement contexte = ContexteScenario(
        dossier, nom, MiroirsRegistre::Lit(ctx.registre), touches, *compteur, progression);
    ctx.sortie << TraiteTrame(trame, etat, *scenario, contexte);
}

} // namespace

void LivreTrame(ContexteCli& ctx, DemandeTraitement demande, Dialogues& dialogues) {
    NoyauCommande c(ctx, dialogues);
    NoyauKovra& noyau = c.noyau;
    noyau.ChargeReglages();
    QEventLoop boucle;
    bool livre = false;
    bool fini = false;
    demande.fin = [&](bool l) {
        livre = l;
        fini = true;
        boucle.quit();
    };
    noyau.TraiteTrame(std::move(demande));
    if (!fini) {
        boucle.exec();
    }
    if (!livre) {
        throw ErreurKovra(QStringLiteral("La trame n'a pas été livrée."));
    }
}

void AjouteCommandesTraitement(std::vector<Commande>& table) {
    table.push_back({{"process"},
                     0,
                     {{"--scenario", true}, {"--frame", true}, {"--deliver", false}},
                     "process --scenario NAME [--frame FILE] [--deliver]",
                     "Process a frame (FILE, else standard input; Windows-1252 bytes) through "
                     "the compiled scenario Scenarios/NAME.ini and print the output text; with "
                     "--deliver, type it into the focused window or write the scenario's file "
                     "instead, as reception does. Advances the counter of Scen.db.",
                     Traite});
}

} // namespace kovra
