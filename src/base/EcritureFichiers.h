#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kovra {

// A path in `dossier` for a new file named `nom` or, when a file has that name already (data
// kept from an earlier run, say), the first free one of NAME_1.EXT, NAME_2.EXT...: a file of
// received data is never written over.
QString CheminLibre(const QString& dossier, const QString& nom);

// Writes every byte to the file, going on after a short write: a disk that fills up
// midway first takes part of the bytes without a word, and only the next write says why
// it refuses the rest ("No space left on device"). Throws ErreurKovra with that reason
// when not every byte went in; what did go in stays in the file.
void EcritEntier(QFile& fichier, const QByteArray& octets);

// Puts a file holding the bytes at the path in one step: written beside it, on disk, then
// renamed over it. Any failure, a disk that fills up while the bytes go to it included,
// leaves the old file as it was and throws ErreurKovra with the system's reason.
void RemplaceFichier(const QString& chemin, const QByteArray& octets);

} // namespace kovra
