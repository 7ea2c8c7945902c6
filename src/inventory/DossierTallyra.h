#pragma once

#include <QString>

namespace kovra::tallyra {

// Files of Tallyra's folder.
inline const QString kParametresIni = QStringLiteral("Parametres.ini");
inline const QString kErrInventaire = QStringLiteral("Err_Inventaire.txt");

// Tallyra's folder: the one given on the command line, else $TALLYRA_DIR, else tallyra/
// in the user's data folder ($XDG_DATA_HOME, else ~/.local/share).
QString ResoutDossierTallyra(const QString& option);

// A file of the folder, with the separators the user's system shows.
QString CheminTallyra(const QString& dossier, const QString& nom);

} // namespace kovra::tallyra
