#pragma once

#include <QString>

namespace kovra {

class BaseScen;

// Rebuilds Scenarios/<Nom>.ini of the data folder from the scenario's database row and
// actions, renumbering the actions 1..N on the way. The file is replaced in one step.
// Throws ErreurKovra when the number has no row, when the name cannot be a file name,
// when an action cannot be stored in the file (empty, holding "@" or a line break, or
// characters Windows-1252 lacks), or when the file cannot be written.
void ExporteScenario(BaseScen& base, const QString& dossierDonnees, qint16 numero);

} // namespace kovra
