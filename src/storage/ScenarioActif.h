#pragma once

#include "storage/ChampNumero.h"
#include "storage/Environnement.h"
#include "storage/InfoBulle.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace kovra {

// One partial-frame position: the item's ordinal and the frame field it takes.
struct PlaceTrame {
    qint16 Ordre = 0;
    qint16 Place = 0;
};

// The scenario that reception uses, as loaded from its compiled file. Both lists start
// with an element 0 that is never filled, so action i is ListeActions[i].
struct EtatScenario {
    QString ScenarioActif;
    bool SortieFichier = false;
    bool FichierNumerote = false;
    QStringList ListeActions{QString()};
    qint16 ChoixPartiel = 0;
    std::vector<PlaceTrame> PlacesTrame{PlaceTrame{}};

    int NombreActions() const { return static_cast<int>(ListeActions.size()) - 1; }
};

// Scenarios/<nom>.ini of the data folder.
QString CheminScenario(const QString& dossierDonnees, const QString& nom);

// Loads the scenario named by the registry value RacScenChx. When its compiled file is
// missing, the value is cleared; when no scenario is then named, the user is told
// "Aucun scénario n'est défini", the rest of the state is left as it was and the result
// is false.
[[nodiscard]] bool ChargeScenarioActif(EtatScenario& etat, const Environnement& env,
                                       InfoBulle& bulle, int portCom);

// Loads the named scenario (for a test) without touching ScenarioActif or the registry.
void ChargeScenario(EtatScenario& etat, const QString& nom, const QString& dossierDonnees,
                    InfoBulle& bulle, int portCom);

} // namespace kovra
