#include "app/EssaiScenario.h"

#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "processing/GenreAction.h"
#include "storage/ExporteScenario.h"
#include "storage/InfoBulle.h"
#include "storage/ScenarioActif.h"

#include <memory>

namespace kovra {

namespace {

// A field as a terminal ends it; processing ignores the line feed.
const QString kFinChamp = QStringLiteral("\r\n");

} // namespace

QString InviteEssai(const QString& action) {
    return QStringLiteral("Valeur du champs ") + action;
}

std::vector<LigneAction> ActionsDemandees(const std::vector<LigneAction>& actions) {
    std::vector<LigneAction> demandees;
    for (const LigneAction& a : actions) {
        if (PrendChamp(a.Champs)) {
            demandees.push_back(a);
        }
    }
    return demandees;
}

std::vector<QStringList> DemandeValeurs(const std::vector<LigneAction>& demandees,
                                        const QuestionEssai& question) {
    std::vector<QStringList> reponses;
    for (int r = 0; r < kEnregistrementsEssai; ++r) {
        QStringList enregistrement;
        for (const LigneAction& a : demandees) {
            enregistrement << question(InviteEssai(a.Champs));
        }
        reponses.push_back(enregistrement);
    }
    return reponses;
}

bool TramePartielle(const LigneScenario& scenario) {
    return scenario.Trame == 1 && scenario.NbrTrame >= 1;
}

QString TrameEssai(const LigneScenario& scenario, const std::vector<LigneAction>& demandees,
                   const std::vector<QStringList>& reponses) {
    QString trame;
    for (const QStringList& enregistrement : reponses) {
        if (!TramePartielle(scenario)) {
            for (const QString& valeur : enregistrement) {
                trame += valeur + kFinChamp;
            }
            continue;
        }
        QStringList champs(scenario.NbrTrame);
        for (qsizetype i = 0; i < enregistrement.size() && i < qsizetype(demandees.size()); ++i) {
            const int place = demandees[static_cast<std::size_t>(i)].PlaceTrame;
            if (place >= 1 && place <= scenario.NbrTrame) {
                champs[place - 1] = enregistrement[i];
            }
        }
        for (const QString& champ : champs) {
            trame += champ + kFinChamp;
        }
    }
    return trame;
}

DemandeTraitement PrepareEssai(BaseScen& base, const QString& dossierDonnees, qint16 numero,
                               const QuestionEssai& question) {
    const std::optional<LigneScenario> ligne = base.LitScenario(numero);
    if (!ligne) {
        throw ErreurKovra(QStringLiteral("Le scénario %1 n'existe plus.").arg(numero));
    }
    const std::vector<LigneAction> demandees = ActionsDemandees(base.Actions(numero));
    const QString trame = TrameEssai(*ligne, demandees, DemandeValeurs(demandees, question));

    ExporteScenario(base, dossierDonnees, numero);
    // The tested scenario gets a state of its own: reception keeps its scenario, and the
    // tooltip keeps naming it.
    auto scenario = std::make_shared<EtatScenario>();
    InfoBulleMuette bulle;
    ChargeScenario(*scenario, ligne->Nom, dossierDonnees, bulle, 0);
    scenario->ScenarioActif = ligne->Nom;

    DemandeTraitement demande;
    demande.trame = trame;
    demande.scenario = std::move(scenario);
    demande.reinitialisePort = false;
    demande.delaiAvant = kPauseEssai;
    demande.conserveNonLivree = false;
    return demande;
}

QuestionEssai QuestionParDialogue(Dialogues& dialogues) {
    return [&dialogues](const QString& invite) {
        return dialogues.Saisie(invite, kTitreApplication, QString()).value_or(QString());
    };
}

} // namespace kovra
