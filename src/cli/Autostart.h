#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace kovra {

// Where the desktop looks for the programs to start with the session (XDG autostart).
struct LieuxAutostart {
    QString configUtilisateur; // $XDG_CONFIG_HOME, else ~/.config
    QStringList configSysteme; // $XDG_CONFIG_DIRS, else /etc/xdg

    static LieuxAutostart Depuis(const QProcessEnvironment& env);
    // <configUtilisateur>/autostart/kovra.desktop
    QString EntreeUtilisateur() const;
    // The first <dir>/autostart/kovra.desktop present of the system's folders; empty if none.
    QString EntreeSysteme() const;
};

// An argument of a desktop entry's Exec line, quoted when it needs to be and escaped so
// that the desktop hands exactly this text to the program.
QString ArgumentExec(const QString& argument);

// The desktop entry that starts `programme` (on the data folder `dossier` when not empty);
// `cachee` makes it the entry that turns a system one off for this user.
QByteArray EntreeAutostart(const QString& programme, const QString& dossier, bool cachee);

// Kovra started with the session: writes the user's entry in one step. Throws ErreurKovra.
void ActiveAutostart(const LieuxAutostart& lieux, const QString& programme, const QString& dossier);
// Kovra no longer started with the session: the user's entry is removed or, when a system
// entry would start it, replaced by one that hides it. What was done, for the user.
// Throws ErreurKovra.
QString DesactiveAutostart(const LieuxAutostart& lieux, const QString& programme);

struct EtatAutostart {
    bool actif = false;
    QString raison; // which entry decides
};
EtatAutostart LitEtatAutostart(const LieuxAutostart& lieux);

} // namespace kovra
