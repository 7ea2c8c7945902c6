#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "storage/Registre.h"

namespace kovra {

namespace {

QString NomValeur(const QString& nom) {
    if (!EstValeurKovra(nom)) {
        throw ErreurUsage(QStringLiteral("unknown value %1 (RacScenChx, RacInvent, RacCde, "
                                         "MDPUTL or SepDec)")
                              .arg(nom));
    }
    return nom;
}

} // namespace

void AjouteCommandesRegistre(std::vector<Commande>& table) {
    table.push_back({{"registry", "get"},
                     1,
                     {},
                     "registry get NAME",
                     "Print a value of the key Software\\Ruduvo\\Vove: RacScenChx, RacInvent, "
                     "RacCde, MDPUTL or SepDec.",
                     [](ContexteCli& ctx, const Appel& a) {
                         ctx.sortie << ctx.registre.Lit(NomValeur(a.positionnels[0])) << "\n";
                     }});
    table.push_back({{"registry", "set"},
                     2,
                     {},
                     "registry set NAME VALUE",
                     "Write a value of the key Software\\Ruduvo\\Vove.",
                     [](ContexteCli& ctx, const Appel& a) {
                         if (!ctx.registre.Ecrit(NomValeur(a.positionnels[0]), a.positionnels[1])) {
                             throw ErreurKovra(
                                 QStringLiteral("Impossible d'écrire la valeur dans %1.")
                                     .arg(ctx.registre.Emplacement(kCleKovra)));
                         }
                     }});
}

} // namespace kovra
