#pragma once

#include "base/Progression.h"
#include "processing/EtatTraitement.h"

namespace kovra {

// Cuts a frame into its fields: each field ends with a carriage return, line feeds are
// ignored wherever they stand, and text after the last carriage return fills one more
// slot without being counted. Reports 0 to 50 under "Vidage des données en cours.....".
void VidageDonnees(QStringView trame, EtatTraitement& etat, Progression& progression);

} // namespace kovra
