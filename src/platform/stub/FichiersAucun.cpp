#include "platform/Fichiers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

namespace kovra::plateforme {

// What Qt alone offers: the same promises where it can keep them, without syncing folders.

// Replaces the file in one step, keeping its mode; a device is written as it is.
bool EcritRemplace(const QString& chemin, const QByteArray& octets) {
    const QFileInfo info(chemin);
    if (info.exists() && !info.isFile()) {
        QFile f(chemin);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               f.write(octets) == octets.size();
    }
    QSaveFile f(chemin);
    f.setDirectWriteFallback(true);
    // Flushed before the commit, which would not see a failure when the buffer goes to disk.
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size() || !f.flush()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

QString EcritSousNomLibre(const QString& dossier, const QByteArray& octets,
                          const std::function<QString(qint64)>& nom, qint64 numeros,
                          const std::function<void(const QString&)>& avantPrise) {
    // The name is created exclusively, then filled.
    for (qint64 n = 0; n < numeros; ++n) {
        const QString cible = dossier + nom(n);
        if (avantPrise) {
            avantPrise(cible);
        }
        QFile f(cible);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFileInfo::exists(cible) || QFileInfo(cible).isSymLink()) {
                continue;
            }
            return {};
        }
        if (f.write(octets) != octets.size() || !f.flush()) {
            f.close();
            f.remove();
            return {};
        }
        return cible;
    }
    return {};
}

bool SynchroniseFichier(QFile& fichier) {
    return fichier.flush();
}

void SynchroniseDossier(const QString&) {}

std::optional<QByteArray> IdentiteFichier(const QString&) {
    return std::nullopt;
}

bool AccesPermis(const QString& chemin, int acces) {
    const QFileInfo info(chemin);
    return info.exists() && ((acces & kLecture) == 0 || info.isReadable()) &&
           ((acces & kEcriture) == 0 || info.isWritable());
}

QString RaisonDossierNonInscriptible(const QString& dossier) {
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
}

} // namespace kovra::plateforme
