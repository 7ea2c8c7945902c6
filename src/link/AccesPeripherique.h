#pragma once

#include "platform/Comptes.h"

#include <QString>

namespace kovra {

// Whether a user may open a device for reading and writing, from its mode, owner and group.
struct AccesPeripherique {
    bool present = false;
    bool permis = false;
    QString groupe;                // the group that owns the device (its number if unnamed)
    QString proprietaire;          // the owner, likewise
    bool groupeDonneAcces = false; // the group may read and write it
    bool dejaDansLeGroupe = false; // the account is in the group, this session not yet
};

// Looks at the device (links followed) for this user; root may open anything.
AccesPeripherique EvalueAcces(const QString& chemin, const IdentiteUtilisateur& qui);

// What to tell the user about a device they may not open, and how to be allowed: in French
// for the tray program, in English for kovra-cli; both say the same thing.
QString RefusAccesFr(const QString& chemin, const AccesPeripherique& acces,
                     const IdentiteUtilisateur& qui);
QString RefusAccesEn(const QString& chemin, const AccesPeripherique& acces,
                     const IdentiteUtilisateur& qui);

} // namespace kovra
