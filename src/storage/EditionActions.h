#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kovra {

class BaseScen;
struct LigneAction;

// The changes the scenario editor and kovra-cli make to a scenario's actions. Each checks
// first and then changes the database in one step, so a refusal (ErreurKovra, with the
// message for the user) leaves the scenario as it was. Action numbers count from 1 in list
// order; the loop and start positions are left as they are. Should the scenario's actions
// not be numbered 1 to N (a database filled by another program), they are renumbered in
// their order before the change, so that number N is always the N-th line the user sees.

// The highest place in the frame an action can take.
inline constexpr int kPlaceTrameMax = 32767;

// Refuses (throws ErreurKovra) an action text that cannot be stored (see ProblemeAction)
// and a place in the frame outside 0..kPlaceTrameMax.
void VerifieAction(const QString& champs, int placeTrame);
// Refuses a list of actions whose compiled form would be longer than the compiled file
// keeps (see ProblemeLongueurCompilee).
void VerifieLongueurActions(const std::vector<LigneAction>& actions);

// Sets the text of action N (1..count); its place in the frame too when given, else the
// place is kept.
void EditeAction(BaseScen& base, qint16 numero, int numAction, const QString& champs,
                 std::optional<int> placeTrame);
// Adds a new action N (1..count + 1), the actions from N on moving one number up.
void InsereNouvelleAction(BaseScen& base, qint16 numero, int numAction, const QString& champs,
                          int placeTrame);
// Removes action N (1..count), the actions after it moving one number down.
void RetireAction(BaseScen& base, qint16 numero, int numAction);

// The lines of the action list as the action window shows them: "--- " and the text of
// each action, then, when there is at least one action, an empty line, "Boucle : n" and
// "Départ : n".
QStringList LignesListeActions(const std::vector<LigneAction>& actions, int boucle, int depart);
// The same for a scenario of the database; throws ErreurKovra when it does not exist.
QStringList LignesListeActions(BaseScen& base, qint16 numero);

} // namespace kovra
