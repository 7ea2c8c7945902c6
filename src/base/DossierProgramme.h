#pragma once

#include <QString>

namespace kovra {

// A program's folder of data: the one given on the command line, else the one the
// environment variable names, else `nom` in the user's data folder ($XDG_DATA_HOME, else
// ~/.local/share). A relative path is taken from the current folder.
QString ResoutDossierProgramme(const QString& option, const char* variable, const QString& nom);

} // namespace kovra
