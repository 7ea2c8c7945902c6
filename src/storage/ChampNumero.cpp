#include "storage/ChampNumero.h"

namespace kovra {

QString ChampNumero(const QString& texte, int n, const QString& separateur) {
    if (n < 1 || separateur.isEmpty()) {
        return {};
    }
    qsizetype debut = 0;
    for (int i = 1;; ++i) {
        const qsizetype trouve = texte.indexOf(separateur, debut);
        if (trouve < 0) {
            return {};
        }
        if (i == n) {
            return texte.mid(debut, trouve - debut);
        }
        debut = trouve + 1;
    }
}

QStringList ItemsJusquAuVide(const QString& texte, const QString& separateur) {
    QStringList items;
    if (separateur.isEmpty()) {
        return items;
    }
    qsizetype debut = 0;
    for (;;) {
        const qsizetype trouve = texte.indexOf(separateur, debut);
        if (trouve < 0 || trouve == debut) {
            return items;
        }
        items << texte.mid(debut, trouve - debut);
        debut = trouve + 1;
    }
}

} // namespace kovra
