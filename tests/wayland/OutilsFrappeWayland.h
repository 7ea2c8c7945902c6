#pragma once

#include "support/CompositeurSansTete.h"
#include "support/DossierTest.h"
#include "support/RecepteurWayland.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// What the tests that drive kovra-cli on headless Wayland desktops share: kovra-cli run in the
// desktop's session, the probe that proves a receiver has the keyboard focus, and the comparison
// of what it received.
//
// The program under test is the real kovra-cli, run in the desktop's session
// (CompositeurSansTete::EnvironnementClient) with a data folder and a home of its own; its registry
// is in the desktop's settings folder. KWin offers its fake input only to executables a .desktop
// file names, as it does for users: the desktop names kovra-cli.
namespace kovra::test {

void PrintTo(Bureau bureau, std::ostream* os);
// "sway", "kwin", "mutter": for test names.
std::string Nom(Bureau bureau);
// "qt", "gtk".
std::string Nom(RecepteurWayland::Genre genre);

inline constexpr int kDelaiWayland = 20000;

// Time for kovra-cli to type a key string of `n` characters: generous (20 ms a character, where
// typing paced for the compositors' buffers takes about 1 ms), for a loaded machine and the
// sanitizer build.
inline int DelaiFrappe(qsizetype n) {
    return kDelaiWayland + static_cast<int>(n) * 20;
}

// A desktop with this seat layout; on KWin, kovra-cli is granted the fake input.
CompositeurSansTete::Options PourKovra(const char* disposition);

// kovra-cli in the desktop's session.
class KovraCli {
public:
    struct Fin {
        bool finie = false;
        int statut = -1;
        QString message; // its standard error
    };

    explicit KovraCli(const CompositeurSansTete& c);

    // Runs it with these arguments, `ms` at most (then killed); `pendant`, if given, is called
    // again and again while it runs.
    Fin Lance(const QStringList& arguments, int ms = kDelaiWayland,
              const std::function<void()>& pendant = {});
    // Types a key string into the focused window.
    Fin Tape(const QString& touches) {
        return Lance({"type", "--", touches}, DelaiFrappe(touches.size()));
    }
    // Writes a registry value.
    Fin Registre(const QString& nom, const QString& valeur) {
        return Lance({"registry", "set", nom, valeur});
    }
    // Its data folder.
    QString Donnees() const { return dossier_.Chemin("donnees"); }
    // A file of the test's own, beside the data folder.
    QString Fichier(const QString& nom) const { return dossier_.Chemin(nom); }

private:
    DossierTest dossier_;
    QProcessEnvironment env_;
};

// Success when the run ended with status 0; else its status and what it said.
::testing::AssertionResult Reussie(const KovraCli::Fin& fin, const char* quoi);

inline ::testing::AssertionResult TapeEntierement(KovraCli& cli, const QString& touches) {
    return Reussie(cli.Tape(touches), "kovra-cli type");
}

// Proves that the receiver has the keyboard focus, with kovra-cli itself, and leaves it empty.
//
// On sway and mutter the seat has no keyboard of its own (no input device here): each kovra-cli run
// makes one (a virtual keyboard, a remote desktop session) and ends it. The compositor gives the
// newest window the focus at once, but the window gets wl_keyboard.enter only while a keyboard
// exists, so GTK cannot report a focus before kovra-cli runs, and Qt's field never can. What works
// is typing: a probe "x" typed again (each run waited for a second at the receiver) until it
// arrives. The compositor keeps the window focused between runs, so every later run types into it.
// The window is then emptied by a command of its own, not by keys: a BackSpace ending a run is
// itself under test.
::testing::AssertionResult Sonde(KovraCli& cli, RecepteurWayland& recepteur);

// What the receiver holds once it has `attendu.size()` characters, compared with what it should:
// the first difference and the lengths when they differ.
::testing::AssertionResult Recu(RecepteurWayland& recepteur, const QString& attendu);

} // namespace kovra::test

#define SAUTE_SI_ABSENT(c)                                                                         \
    if (!(c).Pret()) {                                                                             \
        GTEST_SKIP() << (c).RaisonEchec().toStdString();                                           \
    }

// A desktop, kovra-cli in it and a receiver of `attendus` characters with the focus.
#define PREPARE(bureau, disposition, genre, attendus)                                              \
    CompositeurSansTete c((bureau), kovra::test::PourKovra(disposition));                          \
    SAUTE_SI_ABSENT(c);                                                                            \
    kovra::test::KovraCli cli(c);                                                                  \
    RecepteurWayland recepteur(c, (genre), static_cast<int>(attendus));                            \
    ASSERT_TRUE(recepteur.Pret()) << recepteur.Journal().toStdString()                             \
                                  << c.Journal().toStdString();                                    \
    ASSERT_TRUE(kovra::test::Sonde(cli, recepteur)) << c.Journal().toStdString()
