#include "base/FichiersDonnees.h"

#include <QFileInfo>

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

bool EcritEntier(QFile& fichier, const QByteArray& octets, QString& erreur) {
    qint64 ecrits = 0;
    while (ecrits < octets.size()) {
        const qint64 n = fichier.write(octets.constData() + ecrits, octets.size() - ecrits);
        if (n <= 0) {
            erreur = fichier.errorString();
            return false;
        }
        ecrits += n;
    }
    return true;
}

} // namespace kovra
