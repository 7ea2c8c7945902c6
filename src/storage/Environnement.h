#pragma once

#include <QString>

namespace kovra {

class Dialogues;
class Registre;

// What Kovra's code needs from its surroundings: the data folder it works in, the
// per-user settings, and the dialogues through which it speaks to the user.
struct Environnement {
    QString DossierDonnees;
    Registre& registre;
    Dialogues& dialogues;
};

} // namespace kovra
