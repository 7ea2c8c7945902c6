#include "processing/FichierSortie.h"

#include "base/Windows1252.h"
#include "dialogues/Dialogues.h"
#include "storage/FichierProfil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSet>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kovra {

namespace {

// How far the numbering goes before giving up.
constexpr qint64 kNumerosMax = 1000000;

// Paths written on Windows use "\"; both separate folders here.
QString Normalise(QString chemin) {
#ifndef Q_OS_WIN
    chemin.replace(u'\\', u'/');
#endif
    return chemin;
}

void EchecEcriture(Dialogues& dialogues) {
    dialogues.Avis(QStringLiteral("Une erreur d'écriture de fichier vient de se produire. "
                                  "Votre fichier n'a pas pu être créé"),
                   Icone::Exclamation);
}

// The characters of the text that Windows-1252 lacks, each once, as the user is told them.
QString CaracteresAbsents(const QString& texte) {
    QStringList noms;
    QSet<char32_t> vus;
    for (const char32_t c : texte.toUcs4()) {
        const QString caractere = QString::fromUcs4(&c, 1);
        bool perte = false;
        EncodeWindows1252(caractere, &perte);
        if (!perte || vus.contains(c)) {
            continue;
        }
        if (noms.size() == 10) {
            noms << QStringLiteral("…");
            break;
        }
        vus.insert(c);
        noms << QStringLiteral("« %1 » (U+%2)")
                    .arg(caractere, QString::number(c, 16).toUpper().rightJustified(4, u'0'));
    }
    return noms.join(QStringLiteral(", "));
}

#ifdef Q_OS_UNIX

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

// Puts a regular file holding the bytes at the path itself: written to a file of its own in
// the folder, then renamed over the path in one step. A file it replaces keeps its mode; a
// symbolic link is replaced, never written through, so its target is left untouched (a link
// another user made to someone else's file, or to nowhere). A device or a pipe is written as
// it is. When the folder takes no new file, a regular file is written in place; a link then
// cannot be replaced and nothing is written.
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

#else

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

#endif

} // namespace

bool FichierExiste(const QString& dossier, const QString& nom) {
    return QFileInfo(dossier + nom).isFile();
}

bool CreeDossiers(const QString& chemin) {
    return chemin.isEmpty() || QDir().mkpath(chemin);
}

QString NomNumero(const QString& nom, qint64 n) {
    if (n == 0) {
        return nom;
    }
    const qsizetype point = nom.indexOf(u'.');
    const QString base = point < 0 ? nom : nom.left(point);
    const QString extension = point < 0 ? QString() : nom.mid(point);
    return base + QString::number(n) + extension;
}

QString EcritNumerote(const QString& dossier, const QString& nom, const QByteArray& octets,
                      const std::function<void(const QString&)>& avantPrise) {
#ifdef Q_OS_UNIX
    const QByteArray temporaire = EcritTemporaire(dossier, octets);
    if (temporaire.isEmpty()) {
        return {};
    }
    QString resultat;
    for (qint64 n = 0; n < kNumerosMax; ++n) {
        const QString cible = dossier + NomNumero(nom, n);
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
#else
    // The name is created exclusively, then filled.
    for (qint64 n = 0; n < kNumerosMax; ++n) {
        const QString cible = dossier + NomNumero(nom, n);
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
#endif
}

QString CheminFichierScenario(const EtatScenario& scenario, const QString& dossierDonnees) {
    // Kovra writes the compiled file in Windows-1252: read it so, whatever its bytes.
    const QString lu =
        Normalise(DocumentProfil::Charge(CheminScenario(dossierDonnees, scenario.ScenarioActif),
                                         EncodageFichier::Windows1252)
                      .Lit(QStringLiteral("Fichier"), QStringLiteral("Chemin")));
    if (lu.isEmpty() || QDir::isAbsolutePath(lu)) {
        return lu;
    }
    return dossierDonnees + u'/' + lu;
}

bool EcritFichier(const QString& texte, const EtatScenario& scenario, const Environnement& env) {
    return EcritFichierVers(texte, CheminFichierScenario(scenario, env.DossierDonnees),
                            scenario.FichierNumerote, env.dialogues);
}

bool EcritFichierVers(const QString& texte, const QString& chemin, bool numerote,
                      Dialogues& dialogues) {
    if (chemin.isEmpty() || chemin.endsWith(u'/')) {
        EchecEcriture(dialogues);
        return false;
    }
    const QString dossier = chemin.left(chemin.lastIndexOf(u'/') + 1);
    if (!QFileInfo::exists(dossier) && !CreeDossiers(dossier)) {
        EchecEcriture(dialogues);
        return false;
    }
    bool perte = false;
    const QByteArray octets = EncodeWindows1252(texte, &perte);
    QString cible = chemin;
    if (numerote) {
        cible = EcritNumerote(dossier, chemin.mid(dossier.size()), octets);
    } else if (!EcritRemplace(chemin, octets)) {
        cible.clear();
    }
    if (cible.isEmpty()) {
        EchecEcriture(dialogues);
        return false;
    }
    dialogues.Avis(QStringLiteral("Fichier ") + cible + QStringLiteral(" : généré"),
                   Icone::Information);
    if (perte) {
        dialogues.Avis(QStringLiteral("Le fichier %1 porte « ? » à la place de caractères que "
                                      "Windows-1252 ne peut pas contenir : %2.")
                           .arg(cible, CaracteresAbsents(texte)),
                       Icone::Exclamation);
        return false;
    }
    return true;
}

} // namespace kovra
