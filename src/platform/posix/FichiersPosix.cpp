#include "platform/Fichiers.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kovra::plateforme {

namespace {

QString TexteErreurSysteme(int numero) {
    return QString::fromLocal8Bit(std::strerror(numero));
}

bool EcritTout(int fd, const QByteArray& octets) {
    const char* p = octets.constData();
    qsizetype reste = octets.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(reste));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        reste -= n;
    }
    return true;
}

// Creates a file of the folder under a name of its own and writes the bytes to disk. It is
// created as any new file is (0666 less the umask), so that the name it is given keeps the
// mode other programs expect, unless a mode is given.
QByteArray EcritTemporaire(const QString& dossier, const QByteArray& octets,
                           std::optional<mode_t> mode = std::nullopt) {
    for (int essai = 0; essai < 100; ++essai) {
        const QByteArray chemin = QFile::encodeName(
            dossier + QStringLiteral(".kovra-%1.tmp")
                          .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0')));
        const int fd = ::open(chemin.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return {};
        }
        const bool ecrit =
            (!mode || ::fchmod(fd, *mode) == 0) && EcritTout(fd, octets) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !ecrit) {
            ::unlink(chemin.constData());
            return {};
        }
        return chemin;
    }
    return {};
}

enum class Prise { Faite, Occupee, Echec };

// Gives the written file the name, unless something (a file, a folder, a link) has it.
Prise Prend(const QByteArray& temporaire, const QByteArray& cible, const QByteArray& octets) {
    if (::link(temporaire.constData(), cible.constData()) == 0) {
        return Prise::Faite;
    }
    if (errno == EEXIST) {
        return Prise::Occupee;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        return Prise::Echec;
    }
    // A file system without hard links.
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temporaire.constData(), AT_FDCWD, cible.constData(),
                    RENAME_NOREPLACE) == 0) {
        return Prise::Faite;
    }
    if (errno == EEXIST) {
        return Prise::Occupee;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return Prise::Echec;
    }
#endif
    // Nor a rename that refuses to replace: the name is created exclusively and filled.
    const int fd = ::open(cible.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return errno == EEXIST ? Prise::Occupee : Prise::Echec;
    }
    const bool ecrit = EcritTout(fd, octets) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ecrit) {
        ::unlink(cible.constData());
        return Prise::Echec;
    }
    return Prise::Faite;
}

// Writes the bytes to what the path already is, opened without following a link: a device
// or a pipe, or a regular file written in place.
bool EcritSurPlace(const QByteArray& cible, const QByteArray& octets, int options) {
    const int fd = ::open(cible.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | options);
    if (fd < 0) {
        return false;
    }
    const bool ecrit = EcritTout(fd, octets);
    return ::close(fd) == 0 && ecrit;
}

} // namespace

// A symbolic link is replaced, never written through, so its target is left untouched (a
// link another user made to someone else's file, or to nowhere).
bool EcritRemplace(const QString& chemin, const QByteArray& octets) {
    const QByteArray cible = QFile::encodeName(chemin);
    struct stat st {};
    const bool existe = ::lstat(cible.constData(), &st) == 0;
    if (existe && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISFIFO(st.st_mode))) {
        return EcritSurPlace(cible, octets, 0);
    }
    if (existe && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        return false; // a folder, a socket
    }
    const bool fichier = existe && S_ISREG(st.st_mode);
    QString dossier = chemin.left(chemin.lastIndexOf(u'/') + 1);
    if (dossier.isEmpty()) {
        dossier = QStringLiteral("./");
    }
    const QByteArray temporaire = EcritTemporaire(
        dossier, octets, fichier ? std::optional<mode_t>(st.st_mode & 07777) : std::nullopt);
    if (temporaire.isEmpty()) {
        // Only for a folder that may not be written: a full disk must not cost the old file.
        return fichier && ::access(QFile::encodeName(dossier).constData(), W_OK) != 0 &&
               EcritSurPlace(cible, octets, O_TRUNC);
    }
    if (::rename(temporaire.constData(), cible.constData()) != 0) {
        ::unlink(temporaire.constData());
        return false;
    }
    return true;
}

QString EcritSousNomLibre(const QString& dossier, const QByteArray& octets,
                          const std::function<QString(qint64)>& nom, qint64 numeros,
                          const std::function<void(const QString&)>& avantPrise) {
    const QByteArray temporaire = EcritTemporaire(dossier, octets);
    if (temporaire.isEmpty()) {
        return {};
    }
    QString resultat;
    for (qint64 n = 0; n < numeros; ++n) {
        const QString cible = dossier + nom(n);
        if (avantPrise) {
            avantPrise(cible);
        }
        const Prise prise = Prend(temporaire, QFile::encodeName(cible), octets);
        if (prise == Prise::Faite) {
            resultat = cible;
            break;
        }
        if (prise == Prise::Echec) {
            break;
        }
    }
    ::unlink(temporaire.constData());
    return resultat;
}

bool SynchroniseFichier(QFile& fichier) {
    return fichier.flush() && ::fdatasync(fichier.handle()) == 0;
}

void SynchroniseDossier(const QString& dossier) {
    const int fd =
        ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::optional<QByteArray> IdentiteFichier(const QString& chemin) {
    struct stat s {};
    if (::stat(QFile::encodeName(chemin).constData(), &s) != 0) {
        return std::nullopt;
    }
    return QByteArray::number(static_cast<qulonglong>(s.st_dev)) + ':' +
           QByteArray::number(static_cast<qulonglong>(s.st_ino));
}

bool AccesPermis(const QString& chemin, int acces) {
    const int mode = ((acces & kLecture) != 0 ? R_OK : 0) | ((acces & kEcriture) != 0 ? W_OK : 0) |
                     ((acces & kTraverse) != 0 ? X_OK : 0);
    return ::access(QFile::encodeName(chemin).constData(), mode) == 0;
}

QString RaisonDossierNonInscriptible(const QString& dossier) {
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
}

} // namespace kovra::plateforme
