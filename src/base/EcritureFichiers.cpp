#include "base/EcritureFichiers.h"

#include "base/ErreurKovra.h"

#include <QFileInfo>
#include <QSaveFile>

namespace kovra {

QString CheminLibre(const QString& dossier, const QString& nom) {
    QString chemin = dossier + u'/' + nom;
    const qsizetype point = nom.lastIndexOf(u'.');
    const QString base = point > 0 ? nom.left(point) : nom;
    const QString extension = point > 0 ? nom.mid(point) : QString();
    for (int n = 1; QFileInfo::exists(chemin); ++n) {
        chemin = dossier + u'/' + base + u'_' + QString::number(n) + extension;
    }
    return chemin;
}

void EcritEntier(QFile& fichier, const QByteArray& octets) {
    qint64 ecrits = 0;
    while (ecrits < octets.size()) {
        const qint64 n = fichier.write(octets.constData() + ecrits, octets.size() - ecrits);
        if (n <= 0) {
            throw ErreurKovra(fichier.errorString());
        }
        ecrits += n;
    }
}

void RemplaceFichier(const QString& chemin, const QByteArray& octets) {
    QSaveFile f(chemin);
    // Flushed before the commit: the commit does not see a failure of the last bytes going
    // to disk, and would put a short or empty file in place of the old one.
    if (f.open(QIODevice::WriteOnly) && f.write(octets) == octets.size() && f.flush() &&
        f.commit()) {
        return;
    }
    const QString raison = f.errorString();
    f.cancelWriting();
    throw ErreurKovra(raison);
}

} // namespace kovra
