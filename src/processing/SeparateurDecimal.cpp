#include "SeparateurDecimal.h"

namespace kovra {

void AppliqueSeparateurDecimal(QString& sortie, const QString& separateur) {
    const QString sep = separateur.isEmpty() ? QStringLiteral(".") : separateur;
    const QChar marque = sortie.contains(u'.') ? u'.' : u',';
    if (!sortie.contains(marque)) {
        return;
    }
    if (sep == u"x") {
        sortie.remove(QString(marque) + QStringLiteral("00"));
    } else if (sep != QString(marque)) {
        sortie.replace(marque, sep);
    }
}

} // namespace kovra
