#include "link/EcritureFichier.h"

namespace kovra {

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
