// The Wayland test bench: each desktop starts headless, offers the interface a program that
// types uses, and native Wayland windows (Qt, GTK 3) get the focus and read back what a
// throwaway typing client typed into them. A desktop that cannot run here skips, saying why.
#include "support/Attente.h"
#include "support/CompositeurSansTete.h"
#include "support/RecepteurWayland.h"

#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>

using kovra::test::Bureau;
using kovra::test::CompositeurSansTete;
using kovra::test::Disposition;
using kovra::test::FakeInputAutorise;
using kovra::test::SansControleDroits;

namespace {

constexpr int kDelai = 20000;

#define SAUTE_SI_ABSENT(c)                                                                         \
    if (!(c).Pret()) {                                                                             \
        GTEST_SKIP() << (c).RaisonEchec().toStdString();                                           \
    }

// Types lines into the focused window: wtype on sway (each line a run of its own, beside one
// that holds a keyboard in the seat), else the test scaffolding frappe_essai_wayland, whose
// keyboard lives as long as this object. Made before the receiver: on sway and mutter the
// seat has no keyboard until the typing client makes one, and a window gets no keyboard
// focus (wl_keyboard.enter) until then.
class Frappe {
public:
    explicit Frappe(const CompositeurSansTete& c, Bureau bureau) : bureau_(bureau) {
        processus_.setProcessEnvironment(c.EnvironnementClient());
        processus_.setProcessChannelMode(QProcess::SeparateChannels);
        // A test killed midway (a ctest timeout) takes its keyboard with it.
        processus_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        if (bureau_ == Bureau::Sway) {
            // sway's seat has no keyboard (no input device): a window gets wl_keyboard.enter
            // only while a virtual keyboard exists. One wtype that only sleeps holds one for
            // the whole run.
            erreur_ = "wtype is not installed (Debian package wtype, scripts/setup.sh)";
            if (!QStandardPaths::findExecutable("wtype").isEmpty()) {
                processus_.start("wtype", {"-s", "3600000"});
                pret_ = processus_.waitForStarted(kDelai);
            }
            return;
        }
        processus_.start(QStringLiteral(FRAPPE_ESSAI_EXE),
                         {bureau_ == Bureau::Kwin ? "kwin" : "mutter"});
        pret_ = Ligne("pret");
    }
    ~Frappe() {
        if (bureau_ == Bureau::Sway) {
            processus_.kill();
        }
        if (processus_.state() != QProcess::NotRunning) {
            processus_.closeWriteChannel();
            if (!processus_.waitForFinished(5000)) {
                processus_.kill();
                processus_.waitForFinished();
            }
        }
    }
    bool Pret() const { return pret_; }
    std::string Erreur() { return erreur_ + processus_.readAllStandardError().toStdString(); }

    bool Tape(const QString& texte) {
        if (bureau_ == Bureau::Sway) {
            QProcess wtype;
            wtype.setProcessEnvironment(processus_.processEnvironment());
            // 200 ms between the new keyboard's keymap and its first key: without it the
            // first key was lost in half the runs.
            wtype.start("wtype", {"-s", "200", "--", texte});
            const bool ok = wtype.waitForFinished(kDelai) && wtype.exitCode() == 0;
            erreur_ = wtype.readAllStandardError().toStdString();
            return ok;
        }
        processus_.write(texte.toUtf8() + '\n');
        return Ligne("tape ");
    }
    // BackSpace `n` times.
    bool Efface(int n) {
        if (bureau_ != Bureau::Sway) {
            return Tape(QString(n, u'\b'));
        }
        QStringList arguments{"-s", "200"};
        for (int i = 0; i < n; ++i) {
            arguments << "-k"
                      << "BackSpace";
        }
        QProcess wtype;
        wtype.setProcessEnvironment(processus_.processEnvironment());
        wtype.start("wtype", arguments);
        return wtype.waitForFinished(kDelai) && wtype.exitCode() == 0;
    }

private:
    bool Ligne(const QByteArray& debut) {
        return kovra::test::AttendQue(
                   [&] {
                       return processus_.canReadLine() ||
                              processus_.state() == QProcess::NotRunning;
                   },
                   kDelai) &&
               processus_.readLine().startsWith(debut);
    }

    Bureau bureau_;
    QProcess processus_;
    bool pret_ = false;
    std::string erreur_;
};

// Waits until the receiver holds the keyboard focus. GTK says so. champ_cible cannot: a
// probe "x" is typed every half second until it arrives, then erased.
bool AttendFocus(Frappe& frappe, RecepteurWayland& recepteur) {
    if (recepteur.Type() == RecepteurWayland::Genre::Gtk) {
        return recepteur.AttendFocus(kDelai);
    }
    int compte = 0;
    for (int essai = 0; essai < 40 && compte == 0; ++essai) {
        if (!frappe.Tape("x")) {
            return false;
        }
        compte = recepteur.Compte(500);
    }
    if (compte == 0 || !frappe.Efface(compte)) {
        return false;
    }
    for (int essai = 0; essai < 40 && compte != 0; ++essai) {
        compte = recepteur.Compte(500);
    }
    return compte == 0;
}

struct CasDemarrage {
    const char* nom;
    Bureau bureau;
    CompositeurSansTete::Options options;
    const char* interface; // a Wayland global, or a bus name on mutter's bus
};

void PrintTo(const CasDemarrage& cas, std::ostream* os) {
    *os << cas.nom;
}

class Demarrage : public ::testing::TestWithParam<CasDemarrage> {};

TEST_P(Demarrage, OffreLInterfaceDeFrappe) {
    const CasDemarrage& cas = GetParam();
    CompositeurSansTete c(cas.bureau, cas.options);
    SAUTE_SI_ABSENT(c);
    RecordProperty("start_ms", std::to_string(c.TempsDemarrage()));
    std::cout << c.Nom().toStdString() << " answered after " << c.TempsDemarrage() << " ms"
              << std::endl;
    const QStringList globales = c.Globales();
    ASSERT_TRUE(globales.contains("wl_seat")) << c.Journal().toStdString();
    if (cas.bureau == Bureau::Mutter) {
        EXPECT_TRUE(c.NomsBus().contains(cas.interface)) << c.NomsBus().join(' ').toStdString();
    } else {
        EXPECT_TRUE(globales.contains(cas.interface)) << globales.join(' ').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bureaux, Demarrage,
    ::testing::Values(CasDemarrage{"sway", Bureau::Sway, {}, "zwp_virtual_keyboard_manager_v1"},
                      CasDemarrage{"kwin_sans_controle", Bureau::Kwin, SansControleDroits(),
                                   "org_kde_kwin_fake_input"},
                      CasDemarrage{"mutter", Bureau::Mutter, {}, "org.gnome.Mutter.RemoteDesktop"}),
    [](const auto& cas) { return std::string(cas.param.nom); });

// KWin offers fake input only to the executables a .desktop file grants it to, by full path.
TEST(KwinDroits, FakeInputSeulementPourLExecutableAutorise) {
    const QString frappe = QStringLiteral(FRAPPE_ESSAI_EXE);
    const auto globalesDe = [&](const CompositeurSansTete& c) {
        QProcess p;
        p.setProcessEnvironment(c.EnvironnementClient());
        p.start(frappe, {"globales"});
        p.waitForFinished(kDelai);
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    };
    {
        CompositeurSansTete c(Bureau::Kwin);
        SAUTE_SI_ABSENT(c);
        EXPECT_FALSE(c.Globales().contains("org_kde_kwin_fake_input"));
        EXPECT_FALSE(globalesDe(c).contains("org_kde_kwin_fake_input"));
    }
    CompositeurSansTete c(Bureau::Kwin, FakeInputAutorise({frappe}));
    SAUTE_SI_ABSENT(c);
    EXPECT_TRUE(globalesDe(c).contains("org_kde_kwin_fake_input"));
    // wayland-info, not named in any .desktop file, still does not get it.
    EXPECT_FALSE(c.Globales().contains("org_kde_kwin_fake_input"));
}

struct CasFrappe {
    const char* nom;
    Bureau bureau;
    CompositeurSansTete::Options options;
    RecepteurWayland::Genre genre;
    const char* texte;
};

void PrintTo(const CasFrappe& cas, std::ostream* os) {
    *os << cas.nom;
}

class FrappeRecue : public ::testing::TestWithParam<CasFrappe> {};

TEST_P(FrappeRecue, LeRecepteurLitCeQuiEstTape) {
    const CasFrappe& cas = GetParam();
    CompositeurSansTete c(cas.bureau, cas.options);
    SAUTE_SI_ABSENT(c);
    Frappe frappe(c, cas.bureau);
    ASSERT_TRUE(frappe.Pret()) << frappe.Erreur();
    const QString texte = QString::fromUtf8(cas.texte);
    RecepteurWayland recepteur(c, cas.genre, static_cast<int>(texte.size()));
    ASSERT_TRUE(recepteur.Pret()) << recepteur.Journal().toStdString() << c.Journal().toStdString();
    ASSERT_TRUE(AttendFocus(frappe, recepteur)) << recepteur.Journal().toStdString();
    ASSERT_TRUE(frappe.Tape(texte)) << frappe.Erreur();
    EXPECT_EQ(recepteur.Texte().toStdString(), texte.toStdString())
        << recepteur.Journal().toStdString();
}

// sway's virtual keyboard carries its own keymap: any character. KWin and mutter type
// what their layout (us unless told) holds; the bench's client checks every character
// against it, so a text with é typed on KWin or mutter proves the layout was applied.
constexpr const char* kTexteLibre = "Kovra 0123 abc-XYZ é€ñ";
constexpr const char* kTexteUs = "Kovra 0123 abc-XYZ +*/";
constexpr const char* kTexteFr = "Reçu n°5 : 12 € à régler, où ? µ§£²";

INSTANTIATE_TEST_SUITE_P(
    Bureaux, FrappeRecue,
    ::testing::Values(
        CasFrappe{"sway_qt", Bureau::Sway, {}, RecepteurWayland::Genre::Qt, kTexteLibre},
        CasFrappe{"sway_gtk", Bureau::Sway, {}, RecepteurWayland::Genre::Gtk, kTexteLibre},
        CasFrappe{"kwin_qt", Bureau::Kwin, SansControleDroits(), RecepteurWayland::Genre::Qt,
                  kTexteUs},
        CasFrappe{"kwin_gtk_autorise", Bureau::Kwin,
                  FakeInputAutorise({QStringLiteral(FRAPPE_ESSAI_EXE)}),
                  RecepteurWayland::Genre::Gtk, kTexteUs},
        CasFrappe{"mutter_qt", Bureau::Mutter, {}, RecepteurWayland::Genre::Qt, kTexteUs},
        CasFrappe{"mutter_gtk", Bureau::Mutter, {}, RecepteurWayland::Genre::Gtk, kTexteUs},
        CasFrappe{"sway_fr_gtk", Bureau::Sway, Disposition("fr"), RecepteurWayland::Genre::Gtk,
                  kTexteLibre},
        CasFrappe{"kwin_fr_qt", Bureau::Kwin, Disposition("fr", {QStringLiteral(FRAPPE_ESSAI_EXE)}),
                  RecepteurWayland::Genre::Qt, kTexteFr},
        CasFrappe{"mutter_fr_gtk", Bureau::Mutter, Disposition("fr"), RecepteurWayland::Genre::Gtk,
                  kTexteFr}),
    [](const auto& cas) { return std::string(cas.param.nom); });

// sway gives the focus to the newest window; swaymsg moves it to another.
TEST(SwayFocus, LaCommandeFocusDonneLeClavierAUneAutreFenetre) {
    CompositeurSansTete c(Bureau::Sway);
    SAUTE_SI_ABSENT(c);
    Frappe frappe(c, Bureau::Sway);
    ASSERT_TRUE(frappe.Pret()) << frappe.Erreur();
    RecepteurWayland premiere(c, RecepteurWayland::Genre::Gtk, 3, "premiere");
    ASSERT_TRUE(premiere.AttendFocus()) << premiere.Journal().toStdString();
    RecepteurWayland seconde(c, RecepteurWayland::Genre::Gtk, 3, "seconde");
    ASSERT_TRUE(seconde.AttendFocus()) << seconde.Journal().toStdString();
    ASSERT_TRUE(c.Commande({"[title=\"premiere\"]", "focus"}));
    ASSERT_TRUE(premiere.AttendFocus());
    ASSERT_TRUE(frappe.Tape("abc"));
    EXPECT_EQ(premiere.Texte().toStdString(), "abc");
    EXPECT_EQ(seconde.Compte(kDelai), 0);
}

} // namespace
