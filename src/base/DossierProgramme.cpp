#include "base/DossierProgramme.h"

#include <QDir>
#include <QStandardPaths>

namespace kovra {

QString ResoutDossierProgramme(const QString& option, const char* variable, const QString& nom) {
    const QString choisi = option.isEmpty() ? qEnvironmentVariable(variable) : option;
    if (!choisi.isEmpty()) {
        return QDir::cleanPath(QDir::current().absoluteFilePath(choisi));
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + nom;
}

} // namespace kovra
