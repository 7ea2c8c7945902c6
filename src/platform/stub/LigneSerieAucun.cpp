#include "platform/LigneSerie.h"

#include <QFile>

namespace kovra::plateforme {

// Without a way to ask a device whether it is a serial line, opening it is all that is tried.
EssaiLigne EssaieLigneSerie(const QString& peripherique) {
    EssaiLigne essai;
    QFile f(peripherique);
    if (f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        essai.issue = EssaiLigne::Issue::Ouverte;
    } else if (f.error() == QFileDevice::PermissionsError) {
        essai.issue = EssaiLigne::Issue::Refusee;
    } else {
        essai.raison = f.errorString();
    }
    return essai;
}

} // namespace kovra::plateforme
