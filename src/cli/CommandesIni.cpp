#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "storage/FichierProfil.h"

namespace kovra {

namespace {

void VerifieEcriture(qint16 resultat, const QString& fichier) {
    if (resultat == 0) {
        throw ErreurKovra(QStringLiteral("Impossible d'écrire la valeur dans le fichier %1 : il ne "
                                         "peut pas être écrit, ou la section, la clé ou la "
                                         "valeur ne pourrait pas y être relue telle quelle.")
                              .arg(fichier));
    }
}

} // namespace

void AjouteCommandesIni(std::vector<Commande>& table) {
    table.push_back({{"ini", "get"},
                     3,
                     {},
                     "ini get FILE SECTION KEY",
                     "Print a value of a settings file (empty when missing). FILE is relative "
                     "to the data folder unless absolute.",
                     [](ContexteCli& ctx, const Appel& a) {
                         const QStringList& p = a.positionnels;
                         ctx.sortie << LireIni(ctx.CheminFichier(p[0]), p[1], p[2]) << "\n";
                     }});
    table.push_back({{"ini", "set"},
                     4,
                     {},
                     "ini set FILE SECTION KEY VALUE",
                     "Write a value, adding the key, the section or the file as needed.",
                     [](ContexteCli& ctx, const Appel& a) {
                         const QStringList& p = a.positionnels;
                         const QString fichier = ctx.CheminFichier(p[0]);
                         VerifieEcriture(EcrireIni(p[1], p[2], p[3], fichier), fichier);
                     }});
    table.push_back({{"ini", "clear"},
                     3,
                     {},
                     "ini clear FILE SECTION KEY",
                     "Empty a value; the key stays in its section.",
                     [](ContexteCli& ctx, const Appel& a) {
                         const QStringList& p = a.positionnels;
                         const QString fichier = ctx.CheminFichier(p[0]);
                         VerifieEcriture(EffacerValeurIni(fichier, p[1], p[2]), fichier);
                     }});
}

} // namespace kovra
