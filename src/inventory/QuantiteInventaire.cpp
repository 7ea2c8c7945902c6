#include "inventory/QuantiteInventaire.h"

namespace kovra::tallyra {

namespace {

bool EstSeparateur(QChar c, const QString& separateur) {
    return separateur.size() == 1 && separateur.front() == c;
}

} // namespace

double MyVal(const QString& texte, const QLocale& locale) {
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
    qsizetype i = 0;
    QString nombre;
    if (i < propre.size() && (propre[i] == u'+' || propre[i] == u'-')) {
        if (propre[i] == u'-') {
            nombre += u'-';
        }
        ++i;
    }
    QString entiers;
    QString decimales;
    while (i < propre.size() && propre[i].isDigit()) {
        entiers += propre[i++];
    }
    if (i < propre.size() && propre[i] == u'.') {
        ++i;
        while (i < propre.size() && propre[i].isDigit()) {
            decimales += propre[i++];
        }
    }
    if (entiers.isEmpty() && decimales.isEmpty()) {
        return 0.0;
    }
    nombre += (entiers.isEmpty() ? QStringLiteral("0") : entiers) + u'.' +
              (decimales.isEmpty() ? QStringLiteral("0") : decimales);
    bool ok = false;
    const double v = QLocale::c().toDouble(nombre, &ok);
    if (!ok) {
        return nombre.startsWith(u'-') ? -qInf() : qInf();
    }
    return v;
}

QString TexteQuantite(double valeur, const QLocale& locale) {
    if (valeur == 0.0) {
        valeur = 0.0; // -0 is sent as 0
    }
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() | QLocale::OmitGroupSeparator);
    return l.toString(valeur, 'g', 15);
}

} // namespace kovra::tallyra
