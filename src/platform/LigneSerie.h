#pragma once

#include <QString>

namespace kovra::plateforme {

// A serial device opened the way the port opens it, then closed at once.
struct EssaiLigne {
    enum class Issue { Ouverte, Refusee, Occupee, PasUneLigne, Echec };
    Issue issue = Issue::Echec;
    QString raison; // the system's words, for Echec
};
EssaiLigne EssaieLigneSerie(const QString& peripherique);

} // namespace kovra::plateforme
