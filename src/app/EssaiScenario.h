#pragma once

#include "processing/TraiteEmul.h"
#include "storage/BaseScen.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace kovra {

class Dialogues;

// How many records a test asks values for.
inline constexpr int kEnregistrementsEssai = 4;
// The pause between processing a test's frame and delivering it, for the user to give the
// focus to the window that is to receive the keys.
inline constexpr int kPauseEssai = 2000;

// Asks one value: gets the prompt, gives the answer (empty when the user cancelled).
using QuestionEssai = std::function<QString(const QString& invite)>;

// The prompt that asks the value of an action.
QString InviteEssai(const QString& action);

// The actions a test asks a value for, in list order: those that take a field of the
// record. Tokens (&DATE, &TAB...), key names and texts take none, so nothing is asked for
// them.
std::vector<LigneAction> ActionsDemandees(const std::vector<LigneAction>& actions);

// Asks, record after record, a value for each of `demandees`; one list of answers per
// record, in the order of `demandees`.
std::vector<QStringList> DemandeValeurs(const std::vector<LigneAction>& demandees,
                                        const QuestionEssai& question);

// Whether the scenario's records carry more fields than it uses, the actions' places
// naming those it takes.
[[nodiscard]] bool TramePartielle(const LigneScenario& scenario);

// The frame a terminal would send with these records, each field ended by CR LF. Whole
// frames: each answer is a field. Partial frames: each record has NbrTrame fields, empty
// but for the answers placed at their action's PlaceTrame (an answer whose action has no
// place within the record has no field to go to; for two answers at one place the last
// is kept).
QString TrameEssai(const LigneScenario& scenario, const std::vector<LigneAction>& demandees,
                   const std::vector<QStringList>& reponses);

// A test of scenario `numero`, from its database rows: asks the values, compiles the
// scenario, loads it into a scenario state of its own and returns the demand that
// processes the frame on that state and delivers the output after kPauseEssai, without
// resetting the port. The scenario of reception, its file, the registry and the tooltip are
// left as they are. Throws ErreurKovra, with the message for the user, when the scenario
// does not exist or cannot be compiled.
DemandeTraitement PrepareEssai(BaseScen& base, const QString& dossierDonnees, qint16 numero,
                               const QuestionEssai& question);

// The test window's way of asking: an input box titled with the program's name, with an
// empty default; a cancelled box is an empty answer.
QuestionEssai QuestionParDialogue(Dialogues& dialogues);

} // namespace kovra
