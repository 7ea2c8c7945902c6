#include "inventory/DossierTallyra.h"

#include "base/DossierProgramme.h"

#include <QDir>

namespace kovra::tallyra {

QString ResoutDossierTallyra(const QString& option) {
    return ResoutDossierProgramme(option, "TALLYRA_DIR", QStringLiteral("tallyra"));
}

QString CheminTallyra(const QString& dossier, const QString& nom) {
    return QDir::toNativeSeparators(dossier + u'/' + nom);
}

} // namespace kovra::tallyra
