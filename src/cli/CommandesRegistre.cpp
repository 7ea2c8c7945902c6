#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "storage/Registre.h"

namespace kovra {

namespace {

const QString kNomsValeurs =
    QStringLiteral("RacScenChx, RacInvent, RacCde, MDPUTL, SepDec, DelaiTouches or ChampsTouches");

QString NomValeur(const QString& nom) {
    if (!EstValeurKovra(nom)) {
        throw ErreurUsage(QStringLiteral("unknown value %1 (%2)").arg(nom, kNomsValeurs));
    }
    return nom;
}

// The text to store: as given, except the pause between keys and the switch for key
// strings in fields, which must be ones a reading takes as they were meant.
QString TexteValeur(const QString& nom, const QString& texte) {
    if (nom == kChampsTouches) {
        if (texte != u"" && texte != u"0" && texte != u"1") {
            throw ErreurUsage(QStringLiteral("ChampsTouches must be 1 (fields are key strings), "
                                             "0 or empty (fields are typed as they are)"));
        }
        return texte;
    }
    if (nom != kDelaiTouches || texte.isEmpty()) {
        return texte;
    }
    if (!DelaiTouchesValide(texte)) {
        throw ErreurUsage(QStringLiteral("DelaiTouches must be empty or a whole number of "
                                         "milliseconds from 0 to %1")
                              .arg(kDelaiTouchesMax));
    }
    return QString::number(DelaiTouchesLu(texte));
}

} // namespace

void AjouteCommandesRegistre(std::vector<Commande>& table) {
    table.push_back({{"registry", "get"},
                     1,
                     {},
                     "registry get NAME",
                     "Print a value of the key Software\\Ruduvo\\Vove: " + kNomsValeurs + ".",
                     [](ContexteCli& ctx, const Appel& a) {
                         ctx.sortie << ctx.registre.Lit(NomValeur(a.positionnels[0])) << "\n";
                     }});
    table.push_back(
        {{"registry", "set"},
         2,
         {},
         "registry set NAME VALUE",
         QStringLiteral(
             "Write a value of the key Software\\Ruduvo\\Vove. DelaiTouches is the "
             "pause between keystrokes in milliseconds (0 to %1; empty or 0: full "
             "speed). ChampsTouches 1 makes the fields a terminal sends key strings (~ is Enter, "
             "{F5} the key F5); 0 or empty (the default): they are typed as their "
             "characters.")
             .arg(kDelaiTouchesMax),
         [](ContexteCli& ctx, const Appel& a) {
             const QString nom = NomValeur(a.positionnels[0]);
             if (!ctx.registre.Ecrit(nom, TexteValeur(nom, a.positionnels[1]))) {
                 throw ErreurKovra(QStringLiteral("Impossible d'écrire la valeur dans %1.")
                                       .arg(ctx.registre.Emplacement(kCleKovra)));
             }
         }});
}

} // namespace kovra
