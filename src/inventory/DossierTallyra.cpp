#include "inventory/DossierTallyra.h"

#include <QDir>
#include <QStandardPaths>

namespace kovra::tallyra {

QString ResoutDossierTallyra(const QString& option) {
    if (!option.isEmpty()) {
        return QDir::cleanPath(QDir::current().absoluteFilePath(option));
    }
    const QString env = qEnvironmentVariable("TALLYRA_DIR");
    if (!env.isEmpty()) {
        return QDir::cleanPath(QDir::current().absoluteFilePath(env));
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tallyra");
}

QString CheminTallyra(const QString& dossier, const QString& nom) {
    return QDir::toNativeSeparators(dossier + u'/' + nom);
}

} // namespace kovra::tallyra
