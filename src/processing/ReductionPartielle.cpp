#include "processing/ReductionPartielle.h"

namespace kovra {

QString ReduitTramePartielle(QStringView trame, int nbr, const std::vector<PlaceTrame>& places) {
    if (nbr < 1) {
        return trame.toString();
    }
    // R: one slot per listed place (record 0 of the list is never used).
    const qsizetype nbSlots = static_cast<qsizetype>(places.size()) - 1;
    std::vector<QStringView> r(static_cast<std::size_t>(std::max<qsizetype>(nbSlots, 0)) + 1);
    // For each field number of a record, the slots it fills.
    std::vector<std::vector<qsizetype>> slotsDuChamp(static_cast<std::size_t>(nbr) + 1);
    for (qsizetype i = 1; i <= nbSlots; ++i) {
        const PlaceTrame& p = places[i];
        if (p.Place >= 1 && p.Place <= nbr && p.Ordre >= 1 && p.Ordre <= nbSlots) {
            slotsDuChamp[p.Place].push_back(p.Ordre);
        }
    }

    QString resultat;
    resultat.reserve(trame.size());
    int c = 0;
    qsizetype debutChamp = 0;
    const qsizetype longueur = trame.size();
    // The extra step at j == longueur lets the last complete record out.
    for (qsizetype j = 0; j <= longueur;) {
        if (c >= nbr) {
            c = 0;
            debutChamp = j;
            for (qsizetype s = 1; s <= nbSlots; ++s) {
                resultat.append(r[s]);
                resultat.append(u'\r');
                r[s] = {};
            }
            continue;
        }
        if (j < longueur && trame[j] == u'\r') {
            ++c;
            for (const qsizetype s : slotsDuChamp[c]) {
                r[s] = trame.mid(debutChamp, j - debutChamp);
            }
            debutChamp = j + 1;
        }
        ++j;
    }
    return resultat;
}

} // namespace kovra
