// kovra-cli types into native Wayland windows of headless desktops (sway, KWin, mutter), each read
// back by a Qt and a GTK 3 window: barcode-like records, French text on the layouts us and fr
// (refused whole where the desktop's layout lacks a character), the first keys of a fresh run, and
// keys spaced by a pause. A desktop that cannot run here skips, saying why.
// (wayland/OutilsFrappeWayland.h says how kovra-cli runs there.)
#include "support/Attente.h"
#include "support/CompositeurSansTete.h"
#include "support/RecepteurWayland.h"
#include "wayland/OutilsFrappeWayland.h"
#include "wayland/TextesFrappe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <sys/prctl.h>

using kovra::test::Bureau;
using kovra::test::CompositeurSansTete;
using kovra::test::DelaiFrappe;
using kovra::test::KovraCli;
using kovra::test::Nom;
using kovra::test::PourKovra;
using kovra::test::Recu;
using kovra::test::TapeEntierement;
using kovra::test::TexteFrappe;
using Genre = RecepteurWayland::Genre;

namespace {

constexpr int kDelai = kovra::test::kDelaiWayland;

// Another keyboard in the seat for the whole test, as a desktop with a keyboard plugged in has: a
// virtual keyboard that only waits (wtype) on sway, a remote desktop session of the bench's own
// client on mutter. KWin's seat always has one.
class AutreClavier {
public:
    AutreClavier(const CompositeurSansTete& c, Bureau bureau) : bureau_(bureau) {
        p_.setProcessEnvironment(c.EnvironnementClient());
        p_.setProcessChannelMode(QProcess::SeparateChannels);
        p_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        if (bureau == Bureau::Sway) {
            erreur_ = "wtype is not installed (Debian package wtype, scripts/setup.sh)";
            if (!QStandardPaths::findExecutable("wtype").isEmpty()) {
                p_.start("wtype", {"-s", "3600000"});
                pret_ = p_.waitForStarted(kDelai);
            }
        } else if (bureau == Bureau::Mutter) {
            p_.start(QStringLiteral(FRAPPE_ESSAI_EXE), {"mutter"});
            pret_ = kovra::test::AttendQue(
                        [&] { return p_.canReadLine() || p_.state() == QProcess::NotRunning; },
                        kDelai) &&
                    p_.readLine().startsWith("pret");
        } else {
            pret_ = true;
        }
    }
    ~AutreClavier() {
        // The mutter client ends its session at the end of its input; wtype only sleeps.
        p_.closeWriteChannel();
        if (p_.state() != QProcess::NotRunning &&
            (bureau_ == Bureau::Sway || !p_.waitForFinished(2000))) {
            p_.kill();
            p_.waitForFinished();
        }
    }
    AutreClavier(const AutreClavier&) = delete;
    AutreClavier& operator=(const AutreClavier&) = delete;

    bool Pret() const { return pret_; }
    std::string Erreur() { return erreur_ + p_.readAllStandardError().toStdString(); }

private:
    Bureau bureau_;
    QProcess p_;
    bool pret_ = false;
    std::string erreur_;
};

// --- The texts -----------------------------------------------------------------------------------

// The key strings type what the receivers are to hold: the key syntax's signs in braces.
TEST(TextesFrappe, LesChainesDeTouchesEchappentLaSyntaxe) {
    const struct {
        const char16_t* texte;
        const char16_t* touches;
    } cas[] = {
        {u"a+b^c%d", u"a{+}b{^}c{%}d"}, {u"(x)~", u"{(}x{)}{~}"},   {u"{A}", u"{{}A{}}"},
        {u"a\tb\n", u"a{TAB}b{ENTER}"}, {u"é€[]<>@#", u"é€[]<>@#"},
    };
    for (const auto& [texte, touches] : cas) {
        EXPECT_EQ(kovra::test::EnTouches(QString::fromUtf16(texte)), QString::fromUtf16(touches));
    }
}

// Each text has its length and only the characters it is meant for.
TEST(TextesFrappe, OntLeursCaracteres) {
    const TexteFrappe enregistrements = kovra::test::Enregistrements(3000);
    EXPECT_EQ(enregistrements.attendu.size(), 3000);
    EXPECT_TRUE(enregistrements.attendu.contains(QRegularExpression("^[0-9A-Za-z./\t\n-]+$")));
    EXPECT_GT(enregistrements.attendu.count(u'\t'), 100);
    EXPECT_GT(enregistrements.attendu.count(u'\n'), 50);
    EXPECT_EQ(enregistrements.touches.count(QStringLiteral("{TAB}")),
              enregistrements.attendu.count(u'\t'));

    const QString fr = kovra::test::FrancaisDispositionFr(2000).attendu;
    EXPECT_EQ(fr.size(), 2000);
    for (const QChar c : fr) {
        EXPECT_TRUE((c >= u' ' && c <= u'~') || c == u'\n' || kovra::test::kHorsAsciiFr.contains(c))
            << QString(c).toStdString();
    }
    for (const QChar c : kovra::test::kHorsAsciiFr) {
        EXPECT_TRUE(fr.contains(c)) << QString(c).toStdString();
    }

    const QString libre = kovra::test::FrancaisLibre(2000).attendu;
    EXPECT_EQ(libre.size(), 2000);
    for (const QChar c : QStringLiteral("éèàùçÉÀ€œŒ«»ê’…")) {
        EXPECT_TRUE(libre.contains(c)) << QString(c).toStdString();
    }
}

// --- Records -------------------------------------------------------------------------------------

struct CasBureau {
    Bureau bureau;
    Genre genre;
};

void PrintTo(const CasBureau& cas, std::ostream* os) {
    *os << Nom(cas.bureau) << '_' << Nom(cas.genre);
}

std::string NomCas(const ::testing::TestParamInfo<CasBureau>& cas) {
    return Nom(cas.param.bureau) + '_' + Nom(cas.param.genre);
}

const auto kTousLesBureaux =
    ::testing::Values(CasBureau{Bureau::Sway, Genre::Qt}, CasBureau{Bureau::Sway, Genre::Gtk},
                      CasBureau{Bureau::Kwin, Genre::Qt}, CasBureau{Bureau::Kwin, Genre::Gtk},
                      CasBureau{Bureau::Mutter, Genre::Qt}, CasBureau{Bureau::Mutter, Genre::Gtk});

class Enregistrements : public ::testing::TestWithParam<CasBureau> {};

// 3 000 characters of records, fields separated by {TAB}, records by {ENTER}, typed at full speed
// in one run: the receiver holds them byte for byte (none lost, repeated, reordered or changed; the
// client never disconnected for events coming too fast).
TEST_P(Enregistrements, ArriventOctetPourOctet) {
    const TexteFrappe texte = kovra::test::Enregistrements(3000);
    PREPARE(GetParam().bureau, "us", GetParam().genre, texte.attendu.size());
    ASSERT_TRUE(TapeEntierement(cli, texte.touches));
    EXPECT_TRUE(Recu(recepteur, texte.attendu)) << c.Journal().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Bureaux, Enregistrements, kTousLesBureaux, NomCas);

// --- French text ---------------------------------------------------------------------------------

struct CasFrancais {
    Bureau bureau;
    const char* disposition;
    Genre genre;
    bool libre; // any French character (sway), else only the fr layout's own
};

void PrintTo(const CasFrancais& cas, std::ostream* os) {
    *os << Nom(cas.bureau) << '_' << cas.disposition << '_' << Nom(cas.genre);
}

class TexteFrancais : public ::testing::TestWithParam<CasFrancais> {};

// 2 000 characters of French text typed exactly: on sway whatever its layout (the virtual keyboard
// carries a keymap of its own), on KWin and mutter with the fr layout when the text holds only
// characters that layout has on its keys (no dead key).
TEST_P(TexteFrancais, TapeExactement) {
    const CasFrancais& cas = GetParam();
    const TexteFrappe texte =
        cas.libre ? kovra::test::FrancaisLibre(2000) : kovra::test::FrancaisDispositionFr(2000);
    PREPARE(cas.bureau, cas.disposition, cas.genre, texte.attendu.size());
    ASSERT_TRUE(TapeEntierement(cli, texte.touches));
    EXPECT_TRUE(Recu(recepteur, texte.attendu)) << c.Journal().toStdString();
}

// sway's layout does not reach a virtual keyboard: one receiver for each layout is enough.
INSTANTIATE_TEST_SUITE_P(Bureaux, TexteFrancais,
                         ::testing::Values(CasFrancais{Bureau::Sway, "us", Genre::Qt, true},
                                           CasFrancais{Bureau::Sway, "fr", Genre::Gtk, true},
                                           CasFrancais{Bureau::Kwin, "fr", Genre::Qt, false},
                                           CasFrancais{Bureau::Kwin, "fr", Genre::Gtk, false},
                                           CasFrancais{Bureau::Mutter, "fr", Genre::Qt, false},
                                           CasFrancais{Bureau::Mutter, "fr", Genre::Gtk, false}),
                         [](const auto& cas) {
                             return Nom(cas.param.bureau) + '_' + cas.param.disposition + '_' +
                                    Nom(cas.param.genre);
                         });

class HorsDisposition : public ::testing::TestWithParam<CasBureau> {};

// On KWin and mutter with the us layout, a key string with a character the layout lacks is refused
// whole: kovra-cli ends in failure, saying which characters and which layout, and types nothing of
// it. A marker typed after the refused strings proves nothing came before it.
// The keymap of us holds € (and ±) on keys of their own (KEY_EURO, from the evdev rules' inet
// part): typed through that key, € arrives in Qt and GTK, so it is not among the characters
// refused.
TEST_P(HorsDisposition, ChaineRefuseeEntiere) {
    const QString marqueur = QStringLiteral("fin.");
    PREPARE(GetParam().bureau, "us", GetParam().genre, marqueur.size());
    const TexteFrappe francais = kovra::test::FrancaisDispositionFr(2000);
    const struct {
        QString touches;
        QString nommes; // the characters the message must name
    } cas[] = {
        {QStringLiteral("Prix : 5 £"), QStringLiteral("£")},
        {QStringLiteral("abc{ENTER}Reçu n°5"), QStringLiteral("ç°")},
        {francais.touches, QStringLiteral("éèàçùµ§°£²")},
    };
    static const QRegularExpression us(QStringLiteral("\\bus\\b"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    for (const auto& [touches, nommes] : cas) {
        SCOPED_TRACE(touches.left(40).toStdString());
        const KovraCli::Fin fin = cli.Tape(touches);
        ASSERT_TRUE(fin.finie);
        EXPECT_NE(fin.statut, 0) << fin.message.toStdString();
        for (const QChar ch : nommes) {
            EXPECT_TRUE(fin.message.contains(ch)) << "does not name " << QString(ch).toStdString()
                                                  << ": " << fin.message.toStdString();
        }
        EXPECT_TRUE(fin.message.contains(us))
            << "does not name the layout us: " << fin.message.toStdString();
    }
    ASSERT_TRUE(TapeEntierement(cli, marqueur));
    EXPECT_TRUE(Recu(recepteur, marqueur));
}

INSTANTIATE_TEST_SUITE_P(Bureaux, HorsDisposition,
                         ::testing::Values(CasBureau{Bureau::Kwin, Genre::Gtk},
                                           CasBureau{Bureau::Mutter, Genre::Qt}),
                         NomCas);

// --- The first keys of a run ---------------------------------------------------------------------

struct CasPremiere {
    Bureau bureau;
    Genre genre;
    bool autreClavier; // another keyboard in the seat (KWin's always has one)
};

void PrintTo(const CasPremiere& cas, std::ostream* os) {
    *os << Nom(cas.bureau) << '_' << Nom(cas.genre) << (cas.autreClavier ? "_autre_clavier" : "");
}

class PremiereFrappe : public ::testing::TestWithParam<CasPremiere> {};

// A new kovra-cli process typing "x1" into the focused window: both arrive. Without another
// keyboard (sway, mutter), the run's own keyboard is the seat's only one: the window gets the
// keyboard focus only once it exists, and keys sent before the window has bound its keyboard are
// lost. With one, the seat switches to the run's keyboard and its keymap at its first key.
TEST_P(PremiereFrappe, LesDeuxPremiersCaracteresArrivent) {
    const CasPremiere& cas = GetParam();
    CompositeurSansTete c(cas.bureau, PourKovra("us"));
    SAUTE_SI_ABSENT(c);
    std::optional<AutreClavier> autre;
    if (cas.autreClavier) {
        autre.emplace(c, cas.bureau);
        ASSERT_TRUE(autre->Pret()) << autre->Erreur();
    }
    KovraCli cli(c);
    RecepteurWayland recepteur(c, cas.genre, 2);
    ASSERT_TRUE(recepteur.Pret()) << recepteur.Journal().toStdString();
    ASSERT_TRUE(Sonde(cli, recepteur)) << c.Journal().toStdString();
    ASSERT_TRUE(TapeEntierement(cli, QStringLiteral("x1")));
    EXPECT_TRUE(Recu(recepteur, QStringLiteral("x1")));
}

// Every other test checks the first characters of a fresh run too (its run comes after the
// probe's): one toolkit for each desktop and keyboard is enough here.
INSTANTIATE_TEST_SUITE_P(Bureaux, PremiereFrappe,
                         ::testing::Values(CasPremiere{Bureau::Sway, Genre::Qt, false},
                                           CasPremiere{Bureau::Sway, Genre::Gtk, true},
                                           CasPremiere{Bureau::Kwin, Genre::Gtk, false},
                                           CasPremiere{Bureau::Mutter, Genre::Qt, false},
                                           CasPremiere{Bureau::Mutter, Genre::Gtk, true}),
                         [](const auto& cas) {
                             return Nom(cas.param.bureau) + '_' + Nom(cas.param.genre) +
                                    (cas.param.autreClavier ? "_autre_clavier" : "");
                         });

// --- Named keys ----------------------------------------------------------------------------------

class ToucheNommee : public ::testing::TestWithParam<Bureau> {};

// A named key that ends a run works in a GTK window. GTK 3 on Wayland looks the keys it binds
// (BackSpace, the arrows) up by keysym in the keymap and does not find one on the keymap's
// highest key code: with wtype on sway, whose keymap holds the run's keys in the order they come, a
// BackSpace or Left ending a run was ignored, one followed by a further new character was not. A
// keyboard with a keymap of its own must not leave such a key on top. A marker typed in a run of
// its own after each case shows where the cursor was; the view holds it all once the marker is in.
TEST_P(ToucheNommee, FinitUneFrappeDansGtk) {
    const QString marqueur = QStringLiteral(".fin");
    const struct {
        const char* touches;
        const char* attendu; // with the marker; all of one length, which the view waits for
    } cas[] = {
        {"abcd{BS}", "abc.fin"},
        {"abc{LEFT}", "ab.finc"},
    };
    PREPARE(GetParam(), "us", Genre::Gtk, 7);
    for (const auto& [touches, attendu] : cas) {
        SCOPED_TRACE(touches);
        ASSERT_TRUE(recepteur.Vide());
        ASSERT_TRUE(TapeEntierement(cli, QString::fromLatin1(touches)));
        ASSERT_TRUE(TapeEntierement(cli, marqueur));
        EXPECT_TRUE(Recu(recepteur, QString::fromLatin1(attendu)));
    }
}

INSTANTIATE_TEST_SUITE_P(Bureaux, ToucheNommee,
                         ::testing::Values(Bureau::Sway, Bureau::Kwin, Bureau::Mutter),
                         [](const auto& cas) { return Nom(cas.param); });

// --- Pauses --------------------------------------------------------------------------------------

class Pause : public ::testing::TestWithParam<CasBureau> {};

// No key is held across a pause: the receiver repeats a key held longer than its repeat delay (sway
// and KWin 600 ms, mutter 500 ms), so a press sent before a pause and its release after would type
// the character several times. The key syntax has no pause; the registry's DelaiTouches (at most
// 1 000 ms) spaces the keystrokes of a run. Two runs of "ab" and "cd", each with a pause of a
// second inside, the second starting after the first ended: a key left down at the end of the first
// run would repeat during the second.
TEST_P(Pause, AucuneToucheTenue) {
    PREPARE(GetParam().bureau, "us", GetParam().genre, 4);
    const KovraCli::Fin registre =
        cli.Registre(QStringLiteral("DelaiTouches"), QStringLiteral("1000"));
    ASSERT_TRUE(registre.finie && registre.statut == 0) << registre.message.toStdString();
    ASSERT_TRUE(TapeEntierement(cli, QStringLiteral("ab")));
    ASSERT_TRUE(TapeEntierement(cli, QStringLiteral("cd")));
    EXPECT_TRUE(Recu(recepteur, QStringLiteral("abcd")));
}

// Key repeat is the receiver's, alike in Qt and GTK: one receiver for each desktop.
INSTANTIATE_TEST_SUITE_P(Bureaux, Pause,
                         ::testing::Values(CasBureau{Bureau::Sway, Genre::Gtk},
                                           CasBureau{Bureau::Kwin, Genre::Qt},
                                           CasBureau{Bureau::Mutter, Genre::Gtk}),
                         NomCas);

} // namespace
