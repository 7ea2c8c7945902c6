#include "app/VerrouInstance.h"

namespace kovra {

VerrouInstance::VerrouInstance(const QString& dossierDonnees)
    : verrou_(std::make_unique<QLockFile>(dossierDonnees + QStringLiteral("/kovra.lock"))) {
    // Only a dead owner makes a lock stale, however long the living one has held it.
    verrou_->setStaleLockTime(0);
}

bool VerrouInstance::Prend() {
    return verrou_->isLocked() || verrou_->tryLock(0);
}

} // namespace kovra
