#include "processing/TrameImport.h"

namespace kovra {

void AjouteLigneImport(QString& trame, QStringView ligne, const QString& separateur) {
    if (ligne.trimmed().isEmpty()) {
        return;
    }
    QString champs = ligne.toString();
    if (!separateur.isEmpty()) {
        champs.replace(separateur, QStringLiteral("\r"));
    }
    trame += champs;
    trame += champs.endsWith(u'\r') ? QStringLiteral("\n") : QStringLiteral("\r\n");
}

QString TrameImport(const QString& texte, const QString& separateur) {
    QString trame;
    trame.reserve(texte.size() + texte.size() / 8);
    qsizetype debut = 0;
    while (debut < texte.size()) {
        qsizetype fin = debut;
        while (fin < texte.size() && texte[fin] != u'\r' && texte[fin] != u'\n') {
            ++fin;
        }
        AjouteLigneImport(trame, QStringView(texte).mid(debut, fin - debut), separateur);
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
