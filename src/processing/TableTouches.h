#pragma once

#include <QHash>
#include <QString>
#include <array>

namespace kovra {

// One special or system key: the name a scenario action stands for (with its braces)
// and the key string typed for it.
struct EntreeTouche {
    QString nom;
    QString touches;
};

// The 39 entries read from Touche.ini and Corres.ini: 0 to 14 the special keys,
// 15 to 37 the system keys, 38 always empty.
struct TableTouches {
    static constexpr int kTaille = 39;
    std::array<EntreeTouche, kTaille> Entrees;

    // The key string of the last entry named exactly so; empty when none.
    QString Cherche(const QString& nom) const;
};

// Reads Touche.ini and Corres.ini of the data folder. A Touche.ini line that is missing
// or has no "@" gives an empty name and slot 0.
TableTouches ChargeTableTouches(const QString& dossierDonnees);

} // namespace kovra
