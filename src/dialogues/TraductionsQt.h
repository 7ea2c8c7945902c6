#pragma once

#include <QString>

class QCoreApplication;

namespace kovra {

// Loads Qt's own French texts (the buttons Oui / Non / Annuler, the file dialog) into the
// application, for the dialogs Qt draws itself in a French program. From Qt's translations
// folder, or `dossier` when one is given. Whether they were found: without them Qt speaks
// English, which is no reason to stop.
bool ChargeTraductionsQt(QCoreApplication& application, const QString& dossier = QString());

} // namespace kovra
