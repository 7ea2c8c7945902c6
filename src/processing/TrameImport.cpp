#include "processing/TrameImport.h"

namespace kovra {

QString TrameImport(const QString& texte, const QString& separateur) {
    QString trame;
    trame.reserve(texte.size() + texte.size() / 8);
    qsizetype debut = 0;
    while (debut < texte.size()) {
        qsizetype fin = debut;
        while (fin < texte.size() && texte[fin] != u'\r' && texte[fin] != u'\n') {
            ++fin;
        }
        QString ligne = texte.mid(debut, fin - debut);
        if (!separateur.isEmpty()) {
            ligne.replace(separateur, QStringLiteral("\r"));
        }
        trame += ligne;
        trame += ligne.endsWith(u'\r') ? QStringLiteral("\n") : QStringLiteral("\r\n");
        debut = fin;
        if (debut < texte.size() && texte[debut] == u'\r') {
            ++debut;
        }
        if (debut < texte.size() && texte[debut] == u'\n') {
            ++debut;
        }
    }
    return trame;
}

} // namespace kovra
