#include "storage/EditionActions.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/ExporteScenario.h"
#include "storage/NomScenario.h"

#include <limits>

namespace kovra {

namespace {

LigneScenario ScenarioExistant(BaseScen& base, qint16 numero) {
    const std::optional<LigneScenario> ligne = base.LitScenario(numero);
    if (!ligne) {
        throw ErreurKovra(QStringLiteral("Le scénario numéro %1 n'existe pas.").arg(numero));
    }
    return *ligne;
}

// The scenario's actions in list order.
std::vector<LigneAction> ActionsEnOrdre(BaseScen& base, qint16 numero) {
    ScenarioExistant(base, numero);
    return base.Actions(numero);
}

// Once the change is accepted: numbers 1 to N in list order, so that number N addresses
// the N-th line.
void NumeroteEnOrdre(BaseScen& base, qint16 numero, const std::vector<LigneAction>& actions) {
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (actions[i].NumAction != static_cast<int>(i) + 1) {
            base.RenumeroteActions(numero);
            return;
        }
    }
}

void VerifieNumero(int numAction, int dernier) {
    if (numAction >= 1 && numAction <= dernier) {
        return;
    }
    if (dernier == 0) {
        throw ErreurKovra(QStringLiteral("Le scénario n'a aucune action."));
    }
    throw ErreurKovra(QStringLiteral("Le scénario n'a pas d'action numéro %1 : ses actions vont "
                                     "de 1 à %2.")
                          .arg(numAction)
                          .arg(dernier));
}

} // namespace

void VerifieAction(const QString& champs, int placeTrame) {
    if (const auto probleme = ProblemeAction(champs)) {
        throw ErreurKovra(QStringLiteral("Action refusée : ") + *probleme);
    }
    if (placeTrame < 0 || placeTrame > kPlaceTrameMax) {
        throw ErreurKovra(QStringLiteral("Action refusée : la place dans la trame doit être un "
                                         "nombre de 0 à %1 (%2).")
                              .arg(kPlaceTrameMax)
                              .arg(placeTrame));
    }
}

void VerifieLongueurActions(const std::vector<LigneAction>& actions) {
    const ListesCompilees listes = ListesDuScenario(actions);
    for (const auto& probleme :
         {ProblemeLongueurCompilee(QStringLiteral("la liste des actions"), listes.Champs),
          ProblemeLongueurCompilee(QStringLiteral("la liste des places dans la trame"),
                                   listes.Trame)}) {
        if (probleme) {
            throw ErreurKovra(QStringLiteral("Action refusée : avec elle, %1.").arg(*probleme));
        }
    }
}

void EditeAction(BaseScen& base, qint16 numero, int numAction, const QString& champs,
                 std::optional<int> placeTrame) {
    const std::vector<LigneAction> actions = ActionsEnOrdre(base, numero);
    VerifieNumero(numAction, static_cast<int>(actions.size()));
    VerifieAction(champs, placeTrame.value_or(0));
    std::vector<LigneAction> apres = actions;
    LigneAction& action = apres[static_cast<std::size_t>(numAction) - 1];
    action.Champs = champs;
    action.PlaceTrame = placeTrame.value_or(action.PlaceTrame);
    VerifieLongueurActions(apres);
    NumeroteEnOrdre(base, numero, actions);
    base.ModifieAction(numero, static_cast<qint16>(numAction), champs, placeTrame);
}

void InsereNouvelleAction(BaseScen& base, qint16 numero, int numAction, const QString& champs,
                          int placeTrame) {
    const std::vector<LigneAction> actions = ActionsEnOrdre(base, numero);
    const int nombre = static_cast<int>(actions.size());
    if (nombre >= std::numeric_limits<qint16>::max()) {
        throw ErreurKovra(QStringLiteral("Le scénario a atteint le nombre maximal d'actions."));
    }
    if (numAction < 1 || numAction > nombre + 1) {
        throw ErreurKovra(QStringLiteral("Une nouvelle action prend un numéro de 1 à %1, pas %2.")
                              .arg(nombre + 1)
                              .arg(numAction));
    }
    VerifieAction(champs, placeTrame);
    std::vector<LigneAction> apres = actions;
    apres.insert(apres.begin() + (numAction - 1),
                 LigneAction{static_cast<qint16>(numAction), champs, placeTrame});
    VerifieLongueurActions(apres);
    NumeroteEnOrdre(base, numero, actions);
    base.InsereActionAvant(numero, static_cast<qint16>(numAction), champs, placeTrame);
}

void RetireAction(BaseScen& base, qint16 numero, int numAction) {
    const std::vector<LigneAction> actions = ActionsEnOrdre(base, numero);
    VerifieNumero(numAction, static_cast<int>(actions.size()));
    NumeroteEnOrdre(base, numero, actions);
    base.SupprimeAction(numero, static_cast<qint16>(numAction));
}

QStringList LignesListeActions(const std::vector<LigneAction>& actions, int boucle, int depart) {
    QStringList lignes;
    for (const LigneAction& action : actions) {
        lignes << QStringLiteral("--- ") + action.Champs;
    }
    if (!actions.empty()) {
        lignes << QString() << QStringLiteral("Boucle : %1").arg(boucle)
               << QStringLiteral("Départ : %1").arg(depart);
    }
    return lignes;
}

QStringList LignesListeActions(BaseScen& base, qint16 numero) {
    const LigneScenario scenario = ScenarioExistant(base, numero);
    return LignesListeActions(base.Actions(numero), scenario.Boucle, scenario.Depart);
}

} // namespace kovra
