#include "inventory/QuantiteInventaire.h"

namespace kovra::tallyra {

namespace {

bool EstSeparateur(QChar c, const QString& separateur) {
    return separateur.size() == 1 && separateur.front() == c;
}

// The most significant digits a quantity may have: the management application holds it
// in a double, which keeps 15 decimal digits exactly.
constexpr qsizetype kChiffresExacts = 15;

} // namespace

NombreLu LitNombre(const QString& texte, const QLocale& locale) {
    const QString decimal = locale.decimalPoint();
    const QString milliers = locale.groupSeparator();
    QString propre;
    for (const QChar c : texte) {
        if ((c >= u'0' && c <= u'9') || c == u'+' || c == u'-') {
            propre += c;
        } else if (c == u'.' || c == u',' || EstSeparateur(c, decimal)) {
            propre += u'.';
        } else if (c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F) ||
                   EstSeparateur(c, milliers)) {
            continue;
        } else {
            break;
        }
    }
    // Leading-number reading: sign, digits, one decimal point, digits.
    NombreLu n;
    qsizetype i = 0;
    if (i < propre.size() && (propre[i] == u'+' || propre[i] == u'-')) {
        n.negatif = propre[i] == u'-';
        ++i;
    }
    while (i < propre.size() && propre[i].isDigit()) {
        n.entiers += propre[i++];
    }
    if (i < propre.size() && propre[i] == u'.') {
        ++i;
        while (i < propre.size() && propre[i].isDigit()) {
            n.decimales += propre[i++];
        }
    }
    // The digits that carry the value: no leading zeros, no trailing decimal zeros.
    while (n.entiers.startsWith(u'0')) {
        n.entiers.remove(0, 1);
    }
    while (n.decimales.endsWith(u'0')) {
        n.decimales.chop(1);
    }
    if (n.entiers.isEmpty() && n.decimales.isEmpty()) {
        n.negatif = false; // -0 is 0
    }
    return n;
}

qsizetype NombreLu::ChiffresSignificatifs() const {
    if (!entiers.isEmpty()) {
        return entiers.size() + decimales.size();
    }
    qsizetype zeros = 0;
    while (zeros < decimales.size() && decimales[zeros] == u'0') {
        ++zeros;
    }
    return decimales.size() - zeros;
}

double MyVal(const QString& texte, const QLocale& locale) {
    const NombreLu n = LitNombre(texte, locale);
    const QString nombre = (n.negatif ? QStringLiteral("-") : QString()) +
                           (n.entiers.isEmpty() ? QStringLiteral("0") : n.entiers) + u'.' +
                           (n.decimales.isEmpty() ? QStringLiteral("0") : n.decimales);
    bool ok = false;
    const double v = QLocale::c().toDouble(nombre, &ok);
    if (!ok) {
        return n.negatif ? -qInf() : qInf();
    }
    return v;
}

std::optional<QString> TexteQuantite(const QString& texte, const QLocale& locale) {
    const NombreLu n = LitNombre(texte, locale);
    if (n.ChiffresSignificatifs() > kChiffresExacts) {
        return std::nullopt;
    }
    QString sortie = n.negatif ? QStringLiteral("-") : QString();
    sortie += n.entiers.isEmpty() ? QStringLiteral("0") : n.entiers;
    if (!n.decimales.isEmpty()) {
        sortie += locale.decimalPoint() + n.decimales;
    }
    return sortie;
}

} // namespace kovra::tallyra
