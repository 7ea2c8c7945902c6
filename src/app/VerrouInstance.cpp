#include "app/VerrouInstance.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kovra {

namespace {

const QString kNomVerrou = QStringLiteral("kovra.lock");

QString TexteErreurSysteme(int numero) {
    return QString::fromLocal8Bit(std::strerror(numero));
}

} // namespace

QString RaisonDossierNonInscriptible(const QString& dossier) {
#ifdef Q_OS_UNIX
    // "/." makes a file that is no folder answer so.
    const QByteArray chemin = QFile::encodeName(dossier + QStringLiteral("/."));
    if (::access(chemin.constData(), W_OK | X_OK) != 0) {
        return TexteErreurSysteme(errno);
    }
    // Writing can fail where access says yes: a full disk, a quota, a size limit. A file of
    // its own name is tried, as big as a lock file, and removed.
    const QByteArray essai = QFile::encodeName(
        dossier + QStringLiteral("/.kovra-essai-%1").arg(QCoreApplication::applicationPid()));
    const int fd = ::open(essai.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return TexteErreurSysteme(errno);
    }
    const QByteArray contenu(256, 'k');
    int erreur = 0;
    errno = 0;
    if (::write(fd, contenu.constData(), static_cast<size_t>(contenu.size())) != contenu.size() ||
        ::fsync(fd) != 0) {
        erreur = errno != 0 ? errno : ENOSPC;
    }
    if (::close(fd) != 0 && erreur == 0) {
        erreur = errno;
    }
    ::unlink(essai.constData());
    return erreur != 0 ? TexteErreurSysteme(erreur) : QString();
#else
    QFile essai(dossier +
                QStringLiteral("/.kovra-essai-%1").arg(QCoreApplication::applicationPid()));
    if (!essai.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return essai.errorString();
    }
    const bool ecrit = essai.write(QByteArray(256, 'k')) == 256 && essai.flush();
    const QString raison = ecrit ? QString() : essai.errorString();
    essai.close();
    essai.remove();
    return raison;
#endif
}

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
    QString raison = RaisonDossierNonInscriptible(dossier_);
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
