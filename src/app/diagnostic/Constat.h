#pragma once

#include <QString>
#include <vector>

namespace kovra {

// How a check came out: fine, worth knowing without stopping Kovra, or in the way.
enum class Niveau { Ok, Note, Echec };

// One line of the diagnosis: what was looked at, and what was found (with the fix when
// something is in the way).
struct Constat {
    Niveau niveau;
    QString sujet;
    QString texte;
};

// "ok    subject: text", "note  ...", "FAIL  ...".
QString LigneConstat(const Constat& c);

// True when a check found something in the way.
[[nodiscard]] bool AEchoue(const std::vector<Constat>& constats);

} // namespace kovra
