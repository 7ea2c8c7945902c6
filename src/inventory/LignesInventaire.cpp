#include "inventory/LignesInventaire.h"

#include "base/Windows1252.h"
#include "storage/ChampNumero.h"

namespace kovra::tallyra {

std::vector<LigneInventaire> LignesInventaire(const QByteArray& octets) {
    QString texte;
    if (octets.startsWith("\xEF\xBB\xBF")) {
        texte = QString::fromUtf8(octets.mid(3));
    } else if (EstUtf8NonAscii(octets)) {
        texte = QString::fromUtf8(octets);
    } else {
        texte = DecodeWindows1252(octets);
    }
    std::vector<LigneInventaire> lignes;
    int numero = 0;
    qsizetype debut = 0;
    const auto ajoute = [&](qsizetype fin) {
        ++numero;
        const QString ligne = texte.mid(debut, fin - debut);
        if (ligne.trimmed().isEmpty()) {
            return;
        }
        const QString sep = QStringLiteral(";");
        lignes.push_back({numero, ligne, ChampNumero(ligne, 1, sep), ChampNumero(ligne, 2, sep)});
    };
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (c == u'\r' || c == u'\n') {
            ajoute(i);
            if (c == u'\r' && i + 1 < texte.size() && texte[i + 1] == u'\n') {
                ++i;
            }
            debut = i + 1;
        }
    }
    if (debut < texte.size()) {
        ajoute(texte.size());
    }
    return lignes;
}

} // namespace kovra::tallyra
