#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <functional>
#include <optional>

namespace kovra::plateforme {

// What the file system lets Kovra do, and the writes that must survive a crash or a full
// disk, each in the way its system does it best.

// Flushes the file and puts its data on disk; false when the system refuses.
[[nodiscard]] bool SynchroniseFichier(QFile& fichier);

// Makes a new file's name durable too: a file synced to disk is of no use if its folder
// entry is lost. Best effort: some file systems cannot sync a folder.
void SynchroniseDossier(const QString& dossier);

// Why this user cannot keep files in the folder (the system's words), empty when they can:
// the folder is looked at, then a small file is written in it, synced and removed, so that a
// full disk, a quota or a size limit answers too.
QString RaisonDossierNonInscriptible(const QString& dossier);

// What tells the file at the path from any other (on POSIX its device and inode): a file
// replaced or deleted and made again answers differently. Nothing when the path has no
// file, or when the system cannot say.
std::optional<QByteArray> IdentiteFichier(const QString& chemin);

enum Acces { kLecture = 1, kEcriture = 2, kTraverse = 4 };
// Whether this user may do all of `acces` (an or of Acces) on the path, as the system judges.
[[nodiscard]] bool AccesPermis(const QString& chemin, int acces);

// Puts a regular file holding the bytes at the path itself, in one step: written to a file
// of its own in the folder, then renamed over the path. A file it replaces keeps its mode; a
// symbolic link is replaced, never written through. A device or a pipe is written as it is.
// When the folder takes no new file, a regular file is written in place; a link then cannot
// be replaced and nothing is written.
[[nodiscard]] bool EcritRemplace(const QString& chemin, const QByteArray& octets);

// Writes the bytes, on disk, to a file of `dossier` (ending in "/") named by the first of
// nom(0), nom(1)... below `numeros` that nothing has: a file, a folder or a link already
// there is never written over, even by another program creating it at the same moment.
// `avantPrise` is called with each path before it is tried. The path taken, or empty.
QString EcritSousNomLibre(const QString& dossier, const QByteArray& octets,
                          const std::function<QString(qint64)>& nom, qint64 numeros,
                          const std::function<void(const QString&)>& avantPrise = {});

} // namespace kovra::plateforme
