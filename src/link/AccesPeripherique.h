#pragma once

#include <QList>
#include <QString>

namespace kovra {

// Who runs the program, as the system sees it when a device is opened: the user name and
// number, the groups of this login session, and the groups the account is in now (a
// group added since the session started only counts after a new login).
struct IdentiteUtilisateur {
    QString nom;
    uint uid = 0;
    QList<uint> groupes;       // of the session
    QList<uint> groupesCompte; // of the account, as the group database says
};

// The identity of this process.
IdentiteUtilisateur IdentiteCourante();

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
