#include "app/VerrouInstance.h"

#include "platform/Fichiers.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace kovra {

namespace {

const QString kNomVerrou = QStringLiteral("kovra.lock");

QString TexteErreurSysteme(int numero) {
    return QString::fromLocal8Bit(std::strerror(numero));
}

} // namespace

VerrouInstance::VerrouInstance(const QString& dossierDonnees)
    : dossier_(dossierDonnees),
      verrou_(std::make_unique<QLockFile>(dossierDonnees + u'/' + kNomVerrou)) {
    // Only a dead owner makes a lock stale, however long the living one has held it.
    verrou_->setStaleLockTime(0);
}

PriseVerrou VerrouInstance::Prend() {
    if (verrou_->isLocked() || verrou_->tryLock(0)) {
        return {};
    }
    if (verrou_->error() == QLockFile::LockFailedError) {
        return {PriseVerrou::Issue::AutreInstance, kDejaActive};
    }
    QString raison = plateforme::RaisonDossierNonInscriptible(dossier_);
    if (raison.isEmpty()) {
        raison = TexteErreurSysteme(verrou_->error() == QLockFile::PermissionError ? EACCES : EIO);
    }
    return {PriseVerrou::Issue::Impossible,
            QStringLiteral("Kovra ne peut pas écrire dans son dossier de données %1 (%2) : le "
                           "fichier %3, qui empêche deux Kovra d'utiliser le même dossier, n'a "
                           "pas pu y être créé.")
                .arg(dossier_, raison, kNomVerrou)};
}

} // namespace kovra
