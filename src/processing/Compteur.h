#pragma once

#include "dialogues/Dialogues.h"

#include <QString>

namespace kovra {

// The value the "&INCREMENT" token inserts, in decimal, taken from table Increment of
// the data folder's Scen.db, which then holds the value plus 1. With no row in the
// table the value is 10 and nothing is stored. A failure is shown as the error number,
// a blank and its description, and gives the empty text.
QString CompteurSuivant(const QString& dossierDonnees, Dialogues& dialogues);

} // namespace kovra
