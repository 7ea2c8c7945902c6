#pragma once

#include "support/CompositeurSansTete.h"

#include <QByteArrayList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// A native Wayland window on a headless compositor that holds what is typed into it, read
// back by the test.
//
// - Qt: champ_cible (support/ChampCible.cpp) with QT_QPA_PLATFORM=wayland (package
//   qt6-wayland). Qt 6.4's Wayland plugin does not report the window activation capability:
//   champ_cible's qWaitForWindowActive falls back to qWaitForWindowExposed (and says so on
//   its standard error), so its "pret" means shown, not focused. The keyboard focus comes
//   from the compositor some time after (on mutter up to a second or more later, keys
//   typed meanwhile are lost): a test proves the focus by typing a probe and waiting for
//   the count champ_cible prints ("n COUNT", Compte).
// - GTK 3: support/cible_gtk_wayland.py run by Debian's /usr/bin/python3 with
//   GDK_BACKEND=wayland; it reports the keyboard focus (AttendFocus) and its text.
// Neither can take the focus: on Wayland the compositor gives it. sway and KWin give it to
// each new window; mutter too, but only once a keyboard exists in its seat (a remote
// desktop session started).
class RecepteurWayland {
public:
    enum class Genre { Qt, Gtk };

    // Starts the window and waits (20 s at most) until it is shown; Pret() tells, Journal()
    // says what it printed. `attendus`: the number of characters the Qt field waits for
    // before writing them out (and quitting).
    RecepteurWayland(const kovra::test::CompositeurSansTete& compositeur, Genre genre, int attendus,
                     const QString& titre = QStringLiteral("recepteur"))
        : RecepteurWayland(compositeur.EnvironnementClient(), genre, attendus, titre) {}
    // The same window in the session that environment names (an X display too).
    RecepteurWayland(const QProcessEnvironment& environnement, Genre genre, int attendus,
                     const QString& titre = QStringLiteral("recepteur"));
    ~RecepteurWayland();
    RecepteurWayland(const RecepteurWayland&) = delete;
    RecepteurWayland& operator=(const RecepteurWayland&) = delete;

    bool Pret() const { return pret_; }
    Genre Type() const { return genre_; }
    // GTK: waits until the window has the keyboard focus; false for Qt (it cannot tell).
    bool AttendFocus(int ms = 20000);
    // How many characters it holds (Qt: after waiting up to `ms` for a change).
    int Compte(int ms);
    // Empties the window's text; whether it said it did.
    bool Vide(int ms = 20000);
    // What the window received, once it holds `attendus` characters or after `ms`.
    QString Texte(int ms = 20000);
    // GTK: what the window holds now, asked and answered within `ms` (else the last answer).
    QString TexteActuel(int ms);
    QString Journal() const { return journal_; }

private:
    void Lit();
    bool Attend(const std::function<bool()>& condition, int ms);

    Genre genre_;
    int attendus_;
    QTemporaryDir dossier_;
    QProcess processus_;
    QByteArray lu_;
    QByteArrayList vues_;
    QString texte_;
    QString journal_;
    int compte_ = 0;
    int depots_ = 0;
    int vidages_ = 0;
    bool focus_ = false;
    bool pret_ = false;
};
