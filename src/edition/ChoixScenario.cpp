#include "edition/ChoixScenario.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"
#include "storage/Registre.h"

#include <utility>
#include <vector>

namespace kovra {

QString SeparateurRetenu(const QString& texte) {
    return texte.size() == 1 ? texte : QStringLiteral(".");
}

bool RecompileSiPresent(BaseScen& base, const QString& dossierDonnees, const QString& nom) {
    if (nom.isEmpty()) {
        return false;
    }
    const auto numero = base.NumeroParNom(nom);
    if (!numero) {
        return false;
    }
    ExporteScenario(base, dossierDonnees, *numero);
    return true;
}

void AppliqueChoixScenarios(BaseScen& base, Registre& registre, const QString& dossierDonnees,
                            const ChoixScenarios& choix) {
    ExporteScenario(base, dossierDonnees, NumeroScenario(base, choix.ScenChoisi));
    RecompileSiPresent(base, dossierDonnees, choix.ScenInvent);
    RecompileSiPresent(base, dossierDonnees, choix.ScenCde);

    std::vector<std::pair<QString, QString>> valeurs = {
        {kRacInvent, choix.ScenInvent},
        {kRacCde, choix.ScenCde},
        {kRacScenChx, choix.ScenChoisi},
    };
    if (choix.Separateur) {
        valeurs.emplace_back(kSepDec, SeparateurRetenu(*choix.Separateur));
    }
    if (choix.DelaiTouches) {
        valeurs.emplace_back(kDelaiTouches, QString::number(*choix.DelaiTouches));
    }
    // Written only when it changes, so that a text meaning the same stays as it is.
    if (choix.ChampsTouches &&
        *choix.ChampsTouches != ChampsTouchesLu(registre.Lit(kChampsTouches))) {
        valeurs.emplace_back(kChampsTouches,
                             *choix.ChampsTouches ? QStringLiteral("1") : QStringLiteral("0"));
    }
    for (const auto& [nom, texte] : valeurs) {
        if (registre.Lit(nom) != texte && !registre.Ecrit(nom, texte)) {
            throw ErreurKovra(QStringLiteral("Impossible d'écrire la valeur %1 dans %2.")
                                  .arg(nom, registre.Emplacement(kCleKovra)));
        }
    }
}

} // namespace kovra
