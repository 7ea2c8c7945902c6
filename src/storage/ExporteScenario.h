#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace kovra {

class BaseScen;
struct LigneAction;

// Rebuilds Scenarios/<Nom>.ini of the data folder from the scenario's database row and
// actions, renumbering the actions 1..N on the way. The file is replaced in one step.
// Throws ErreurKovra when the number has no row, when the name cannot be a file name,
// when an action cannot be stored in the file (empty, holding "@" or a line break, or
// characters Windows-1252 lacks), when the action list, the frame places or the output
// path would be longer than a reading of the file returns (see ProblemeLongueurCompilee),
// or when the file cannot be written.
void ExporteScenario(BaseScen& base, const QString& dossierDonnees, qint16 numero);

// The action list and the frame places as the compiled file stores them: each action
// followed by "@" (the whole between quotes when it starts with blanks, which a reading
// would drop), and each place other than 0 followed by "@".
struct ListesCompilees {
    QString Champs;
    QString Trame;
};
ListesCompilees ListesDuScenario(const std::vector<LigneAction>& actions);

// A reading of a compiled file, here as in the Windows program, returns 2054 characters of
// a value at most, and whatever follows would be lost: actions past the cut would never
// run. Returns why `texte` (as stored) cannot go into the file, `quoi` naming it, or
// nothing when it fits.
std::optional<QString> ProblemeLongueurCompilee(const QString& quoi, const QString& texte);

} // namespace kovra
