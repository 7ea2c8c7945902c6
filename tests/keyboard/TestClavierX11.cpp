// Typing into a real window of a real X server (the tests run under Xvfb), as Kovra types:
// a plan played by the player on the event loop, or kovra-cli type in a process of its own.
#include "base/MinuterieQt.h"
#include "keyboard/EnvoiTouches.h"
#include "keyboard/LecteurFrappe.h"
#include "keyboard/OutilsX11.h"
#include "keyboard/PlanFrappe.h"
#include "keyboard/x11/ClavierX11.h"
#include "support/Attente.h"
#include "support/DossierTest.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

using namespace kovra;
using kovra::test::AttendQue;

namespace {

// A text field; `apresCaractere` runs after each character it shows, with their count so
// far, to play an application that is sometimes too busy to read its keys.
class Champ : public QPlainTextEdit {
public:
    std::function<void(int)> apresCaractere;
    int recus = 0;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        QPlainTextEdit::keyPressEvent(e);
        if (!e->text().isEmpty() && apresCaractere) {
            apresCaractere(++recus);
        }
    }
};

QString Texte(const std::u32string& s) {
    return QString::fromUcs4(s.data(), static_cast<qsizetype>(s.size()));
}

// French text of `n` characters: ordinary prose first (lower-case accents, œ, quotes, the
// euro sign), then capitals with their accents, each of which the layout may lack too.
std::u32string Francais(std::size_t n) {
    const std::u32string prose =
        U"Le garçon a noté à côté de l’entrée « où sont les caisses ? » : trois sœurs "
        U"déjà payées 12 €, une fenêtre, deux îles, huit bûches et la flûte du maître… ";
    const std::u32string capitales =
        U"ÉTÉ À L’ÎLE, ÇA ÊTRE ÔTÉ : ÈVE, ÙNE, ŒUVRE, ÆGIR, ÂME, ÛRE, ËÏÜŸ ; ";
    std::u32string s;
    while (s.size() < n * 3 / 5) {
        s += prose.substr(0, n * 3 / 5 - s.size());
    }
    while (s.size() < n) {
        s += capitales.substr(0, n - s.size());
    }
    return s;
}

// Distinct characters no layout here has: Cyrillic, Greek, then CJK ideographs.
std::u32string Etrangers(std::size_t n) {
    std::u32string s;
    for (char32_t c = 0x0410; c < 0x0450 && s.size() < n; ++c) {
        s += c;
    }
    for (char32_t c = 0x03B1; c <= 0x03C9 && s.size() < n; ++c) {
        if (c != 0x03C2) { // final sigma aside
            s += c;
        }
    }
    for (char32_t c = 0x4E00; s.size() < n; ++c) {
        s += c;
    }
    return s;
}

std::u32string Ideogrammes(char32_t debut, std::size_t n) {
    std::u32string s;
    for (char32_t c = debut; s.size() < n; ++c) {
        s += c;
    }
    return s;
}

// The key events the server sends this program, with their keycodes and server times.
class EvenementsCles : public QAbstractNativeEventFilter {
public:
    struct Evenement {
        bool enfonce;
        unsigned code;
        unsigned etat; // the modifiers and buttons down before the event
        unsigned temps;
    };
    std::vector<Evenement> recus;

    EvenementsCles() { QCoreApplication::instance()->installNativeEventFilter(this); }
    ~EvenementsCles() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") {
            return false;
        }
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        const auto genre = ev->response_type & 0x7f;
        if (genre == XCB_KEY_PRESS || genre == XCB_KEY_RELEASE) {
            const auto* cle = static_cast<const xcb_key_press_event_t*>(message);
            recus.push_back({genre == XCB_KEY_PRESS, cle->detail, cle->state, cle->time});
        }
        return false;
    }
};

// A text field with the focus, on a server whose layout is fresh for each test.
class Saisie : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "needs an X server (xvfb-run)";
        // A layout loaded again has none of the spare keys an earlier test bound.
        Disposition("us");
        champ_.resize(400, 200);
        champ_.show();
        champ_.activateWindow();
        champ_.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&champ_, 5000));
    }

    // Loads a keyboard layout on the server.
    void Disposition(const QString& nom) {
        ASSERT_EQ(QProcess::execute("setxkbmap", {nom}), 0) << "setxkbmap " << nom.toStdString();
        QProcess requete;
        requete.start("setxkbmap", {"-query"});
        ASSERT_TRUE(requete.waitForFinished(5000));
        ASSERT_TRUE(QString::fromLatin1(requete.readAllStandardOutput())
                        .contains(QRegularExpression("layout:\\s+" + nom + "\\b")));
    }

    // Everything typed so far has been handled by the field.
    QString TexteRecu() {
        QGuiApplication::sync();
        return champ_.toPlainText();
    }

    struct Frappe {
        QString texte;
        BilanFrappe bilan;
        int tours = 0; // turns of the event loop while the keys were typed
    };

    // Types a key string through the player, as Kovra does, and returns what the field
    // shows once it has handled every key.
    Frappe Tape(ClavierX11& clavier, const std::u32string& touches) {
        champ_.clear();
        MinuterieQt minuterie;
        LecteurFrappe lecteur(clavier, minuterie);
        std::optional<BilanFrappe> bilan;
        Frappe f;
        QTimer tour;
        tour.setInterval(0);
        QObject::connect(&tour, &QTimer::timeout, [&] { f.tours += bilan ? 0 : 1; });
        tour.start();
        EXPECT_TRUE(lecteur.Joue(PlanifieTouches(touches, 0, clavier),
                                 [&](BilanFrappe b) { bilan = std::move(b); }));
        AttendQue([&] { return bilan.has_value(); }, 120000);
        EXPECT_TRUE(bilan.has_value()) << "typing did not end";
        clavier.Synchronise();
        f.texte = TexteRecu();
        f.bilan = bilan.value_or(BilanFrappe{});
        return f;
    }

    QString Tape(const std::u32string& touches) {
        ClavierX11 clavier;
        return Tape(clavier, touches).texte;
    }

    // Types a key string with kovra-cli type, a program of its own, and returns what the
    // field shows once `attendus` characters have arrived (or the time is up).
    QString TapeParLaCommande(const std::u32string& touches, qsizetype attendus) {
        champ_.clear();
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KOVRA_DIR", dossier_.Chemin("donnees"));
        env.insert("XDG_CONFIG_HOME", dossier_.Chemin("config"));
        cli.setProcessEnvironment(env);
        cli.start(KOVRA_CLI_EXE, {"type", Texte(touches)});
        AttendQue([&] { return cli.state() == QProcess::NotRunning; }, 60000);
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        AttendQue([&] { return champ_.toPlainText().size() >= attendus; }, 60000);
        return TexteRecu();
    }

    void Verrou(Verrou v, bool actif) {
        ClavierX11 clavier;
        if (clavier.VerrouActif(v) != actif) {
            ASSERT_TRUE(
                BasculeTouche(clavier, v == Verrou::Majuscules ? kCodeVerrMaj : kCodeVerrNum));
            clavier.Synchronise();
        }
        ASSERT_EQ(clavier.VerrouActif(v), actif);
    }

    Champ champ_;
    test::DossierTest dossier_;
};

const struct {
    const char* nom;
    std::u32string touches;
    const char16_t* texte;
} kCas[] = {
    {"letters and shift", U"Hello +world", u"Hello World"},
    {"digits and symbols", U"0123456789 !@#$/\\|<>?,.;:'\"-_=*&`",
     u"0123456789 !@#$/\\|<>?,.;:'\"-_=*&`"},
    {"braced characters", U"{+}{^}{%}{~}{(}{)}{{}{}}[]", u"+^%~(){}[]"},
    {"enter and tab", U"a{ENTER}b{TAB}c~d", u"a\nb\tc\nd"},
    {"repeat and backspace", U"{x 3}yy{BS}", u"xxxy"},
    {"accented characters", U"éèàçù âêîôû ëïü ß", u"éèàçù âêîôû ëïü ß"},
    {"upper-case accented", U"ÉÈÀÇÙ ÂÊÎÔÛ ËÏÜŸ", u"ÉÈÀÇÙ ÂÊÎÔÛ ËÏÜŸ"},
    {"ligatures, quotes, euro", U"œŒæÆ «» € ’…", u"œŒæÆ «» € ’…"},
    {"characters no layout has", U"Ωж中", u"Ωж中"},
    {"names that are no key names", U"{F01}{F0}{NUMPAD00}{F17}{f 2}", u"F01F0NUMPAD00F17ff"},
};

} // namespace

TEST_F(Saisie, TypesWhatTheKeyStringSaysOnEveryLayout) {
    for (const char* disposition : {"us", "fr", "de", "ch"}) {
        Disposition(disposition);
        for (const auto& c : kCas) {
            EXPECT_EQ(Tape(c.touches), QString::fromUtf16(c.texte)) << disposition << ": " << c.nom;
        }
    }
    EXPECT_EQ(Tape(U"azerty AZERTY qwertz"), "azerty AZERTY qwertz"); // on ch
}

TEST_F(Saisie, ANamedKeyTheKeymapLacksIsReported) {
    ClavierX11 clavier;
    // No key of this keymap gives F13: nothing is typed for it, and the caller is told.
    const Frappe f = Tape(clavier, U"a{F13}b{TAB}c");
    EXPECT_EQ(f.texte, "ab\tc");
    ASSERT_EQ(f.bilan.nonTapees.size(), 1u);
    EXPECT_EQ(f.bilan.nonTapees[0], Touche::Nommee("F13"));
}

TEST_F(Saisie, OneKeyboardFollowsChangesOfLayout) {
    ClavierX11 clavier;
    EXPECT_EQ(Tape(clavier, U"qa1éΩ").texte, "qa1éΩ");
    Disposition("fr");
    EXPECT_EQ(Tape(clavier, U"qa1éΩ").texte, "qa1éΩ");
    Disposition("us");
    EXPECT_EQ(Tape(clavier, U"qa1éΩ").texte, "qa1éΩ");
}

TEST_F(Saisie, SpareKeysStayBoundUntilRestored) {
    const unsigned long omega = 0x010003a9;
    {
        ClavierX11 clavier;
        EXPECT_EQ(Tape(clavier, U"aΩb").texte, "aΩb");
    }
    // Gone with its keyboard, the binding is still there for a late reader...
    EXPECT_TRUE(KeysymDansClavier(omega));
    // ...and the next keyboard types on it without taking another key.
    const int libres = TouchesSansSymbole();
    ClavierX11 suivant;
    EXPECT_EQ(Tape(suivant, U"ΩΩ").texte, "ΩΩ");
    EXPECT_EQ(TouchesSansSymbole(), libres);
    suivant.Restaure();
    suivant.Synchronise();
    EXPECT_FALSE(KeysymDansClavier(omega));
    EXPECT_EQ(TouchesSansSymbole(), libres + 1);
}

TEST_F(Saisie, MoreMissingCharactersThanSparePlacesAllArrive) {
    const std::u32string premiers = Etrangers(200);
    ASSERT_GT(premiers.size(), 4u * static_cast<std::size_t>(TouchesSansSymbole()));
    {
        // Places are given to new characters only once their old ones are surely read.
        ClavierX11 clavier;
        EXPECT_EQ(Tape(clavier, premiers).texte, Texte(premiers));
    }
    // A later keyboard finds every spare key holding what the first one left, and takes
    // the places back in turn.
    const std::u32string autres = U"ЖЯ" + Ideogrammes(0x5000, 30);
    ClavierX11 suivant;
    EXPECT_EQ(Tape(suivant, autres).texte, Texte(autres));
}

TEST_F(Saisie, TheEventLoopRunsWhileALongStringIsTyped) {
    std::u32string touches;
    QString attendu;
    for (int i = 0; i < 20000; ++i) {
        if (i % 50 == 49) {
            touches += U"{ENTER}";
            attendu += u'\n';
            continue;
        }
        const char32_t c = U"abcdefghijklmnopqrstuvwxyz ABCXYZ0123456789éèà"[i % 46];
        touches += c;
        attendu += Texte(std::u32string(1, c));
    }
    ClavierX11 clavier;
    const Frappe f = Tape(clavier, touches);
    EXPECT_EQ(f.texte, attendu);
    // Typing went in batches of a few hundred keys at most, with the loop's other work
    // between them.
    EXPECT_GT(f.tours, 50);
}

TEST_F(Saisie, TheCommandLineTypesIntoTheFocusedWindow) {
    Disposition("fr");
    EXPECT_EQ(TapeParLaCommande(U"Kovra {ENTER}été@", 11), "Kovra \nété@");
}

TEST_F(Saisie, FrenchTextReachesAnApplicationThatLags) {
    // Busy for 300 ms after every 20 characters: it reads the keymap changes seconds after
    // the keys were typed, while the capitals still wait for places.
    champ_.apresCaractere = [](int n) {
        if (n % 20 == 0) {
            QThread::msleep(300);
        }
    };
    const std::u32string texte = Francais(500);
    EXPECT_EQ(TapeParLaCommande(texte, 500), Texte(texte));
}

TEST_F(Saisie, ACharacterTheLayoutLacksReachesAnApplicationBusyForAWhile) {
    champ_.apresCaractere = [](int n) {
        if (n == 1) {
            QThread::msleep(1500);
        }
    };
    EXPECT_EQ(TapeParLaCommande(U"abcdÉ", 5), "abcdÉ");
}

TEST_F(Saisie, CapsLockStaysAsTheUserLeftIt) {
    for (const bool majuscules : {false, true}) {
        Verrou(Verrou::Majuscules, majuscules);
        EXPECT_EQ(Tape(U"abc+d"), "abcD") << majuscules;
        EXPECT_EQ(ClavierX11().VerrouActif(Verrou::Majuscules), majuscules);
        // A Caps Lock typed by the string is undone at the end too.
        EXPECT_EQ(Tape(U"{CAPSLOCK}abc"), "ABC") << majuscules;
        EXPECT_EQ(ClavierX11().VerrouActif(Verrou::Majuscules), majuscules);
    }
    Verrou(Verrou::Majuscules, false);
}

TEST_F(Saisie, NumLockStaysAsTheUserLeftIt) {
    for (const bool numerique : {false, true}) {
        Verrou(Verrou::Numerique, numerique);
        // Keypad digits type their digits, whatever the user's Num Lock.
        EXPECT_EQ(Tape(U"12{NUMPAD3}{NUMPAD4}5{NUMPAD0 2}"), "1234500") << numerique;
        EXPECT_EQ(ClavierX11().VerrouActif(Verrou::Numerique), numerique);
    }
    Verrou(Verrou::Numerique, false);
}

TEST_F(Saisie, AKeyPressedAgainNeverLooksHeldDown) {
    // A release and a press of the same key, with the same modifiers and at the same server
    // time, is how X reports a held key; programs drop or merge such presses, losing
    // doubled characters.
    const std::u32string touches =
        U"U104332181{TAB}9{ENTER}A133890838{TAB}115{ENTER}aabbcc  ééèè{TAB 2}{ENTER}{BS 2}ΩΩ";
    for (const char* disposition : {"us", "fr"}) {
        Disposition(disposition);
        EvenementsCles cles;
        EXPECT_EQ(Tape(touches),
                  QString::fromUtf16(u"U104332181\t9\nA133890838\t115\naabbcc  ééèè\tΩΩ"))
            << disposition;
        int repetees = 0;
        for (std::size_t i = 1; i < cles.recus.size(); ++i) {
            const auto& avant = cles.recus[i - 1];
            const auto& e = cles.recus[i];
            if (e.enfonce && !avant.enfonce && e.code == avant.code && e.etat == avant.etat) {
                ++repetees;
                EXPECT_GT(e.temps, avant.temps) << disposition << ": key " << e.code;
            }
        }
        EXPECT_GE(repetees, 8) << disposition;
    }
}
