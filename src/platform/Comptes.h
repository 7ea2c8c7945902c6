#pragma once

#include <QList>
#include <QString>
#include <optional>

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

// Who owns a file and what its mode lets each class do (links followed).
struct ProprieteFichier {
    uint uid = 0;
    uint gid = 0;
    uint mode = 0; // permission bits, as the system keeps them (0660: rw for owner and group)
    QString proprietaire; // the owner's name (its number if unnamed)
    QString groupe;       // likewise for the group
};

namespace plateforme {

// The identity of this process.
IdentiteUtilisateur IdentiteCourante();

// Nothing when the path does not exist.
std::optional<ProprieteFichier> Propriete(const QString& chemin);

} // namespace plateforme

} // namespace kovra
