#include "processing/SeparateurDecimal.h"

#include <QRegularExpression>

namespace kovra {

void AppliqueSeparateurDecimal(QString& sortie, const QString& separateur) {
    const QString sep = separateur.isEmpty() ? QStringLiteral(".") : separateur;
    const QChar marque = sortie.contains(u'.') ? u'.' : u',';
    if (!sortie.contains(marque)) {
        return;
    }
    if (sep == u"x") {
        // Only zero decimals that end a number: 1.000 and 12.005 keep their value.
        sortie.remove(QRegularExpression(QRegularExpression::escape(QString(marque)) +
                                         QStringLiteral("00(?!\\d)")));
    } else if (sep != QString(marque)) {
        sortie.replace(marque, sep);
    }
}

} // namespace kovra
