#include "app/ImportFichier.h"
#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "cli/DialoguesConsole.h"
#include "cli/NoyauCommande.h"

#include <QEventLoop>

namespace kovra {

namespace {

// Imports a text file as the import window does, on the chosen scenario: typed into the
// focused window, or written to the scenario's file.
void Importe(ContexteCli& ctx, const Appel& a) {
    const QString separateur =
        a.A(QStringLiteral("--separator")) ? a.Valeur(QStringLiteral("--separator")) : ";";
    if (separateur.isEmpty()) {
        throw ErreurUsage(QStringLiteral("the separator cannot be empty"));
    }
    const QString fichier = a.positionnels[0];

    DialoguesConsole dialogues(ctx.erreurs);
    NoyauCommande c(ctx, dialogues);
    c.noyau.ChargeReglages();
    if (!c.noyau.RechargeScenarioChoisi()) {
        throw ErreurKovra(QStringLiteral("Choisissez un scénario : kovra-cli registry set "
                                         "RacScenChx NOM."));
    }

    ImportFichier import(c.noyau, c.progression, c.minuterie);
    QEventLoop boucle;
    IssueImport issue = IssueImport::NonLivre;
    bool fini = false;
    import.getFile(fichier, separateur, [&](IssueImport i) {
        issue = i;
    fini = true;
    boucle.quit();
});
if (!fini) {
    boucle.exec();
}
if (issue != IssueImport::Livre) {
    throw ErreurKovra(QStringLiteral("Le fichier %1 n'a pas été livré.").arg(fichier));
}
} // namespace

} // namespace kovra

void AjouteCommandesImport(std::vector<Commande>& table) {
    table.push_back({{"import"},
                     1,
                     {{"--separator", true}},
                     "import FILE [--separator S]",
                     "Import a text file as the import window does: each line a record whose "
                     "fields are separated by S (\";\" by default), blank lines skipped, "
                     "processed with the chosen scenario (RacScenChx, compiled again first) and "
                     "typed into the focused window (X11) or written to the scenario's file. "
                     "FILE is Windows-1252 or UTF-8 text; a relative FILE counts from the "
                     "current folder.",
                     Importe});
}

} // namespace kovra
