// Typing into a real window of a real X server (the tests run under Xvfb).
#include "keyboard/EnvoiTouches.h"
#include "keyboard/OutilsX11.h"
#include "keyboard/x11/ClavierX11.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace kovra;

namespace {

void Attend(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// A text field with the focus, and a keyboard on the same X server.
class Saisie : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "needs an X server (xvfb-run)";
        champ_.resize(400, 200);
        champ_.show();
        champ_.activateWindow();
        champ_.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&champ_, 5000));
        Attend(50);
    }

    void TearDown() override { Disposition("us"); }

    // Changes the keyboard layout of the server.
    void Disposition(const QString& nom) {
        ASSERT_EQ(QProcess::execute("setxkbmap", {nom}), 0) << "setxkbmap " << nom.toStdString();
        QProcess requete;
        requete.start("setxkbmap", {"-query"});
        ASSERT_TRUE(requete.waitForFinished(5000));
        ASSERT_TRUE(QString::fromLatin1(requete.readAllStandardOutput())
                        .contains(QRegularExpression("layout:\\s+" + nom + "\\b")));
        Attend(200);
    }

    // Types a key string with a fresh keyboard and returns what the field shows.
    QString Tape(const std::u32string& touches, qsizetype attendus) {
        ClavierX11 clavier;
        clavier.DefinitAttente(Attend);
        return TapeAvec(clavier, touches, attendus);
    }

    // Types with that keyboard; returns the field's text once all has arrived (and a
    // little more time, so that anything beyond shows too).
    QString TapeAvec(ClavierX11& clavier, const std::u32string& touches, qsizetype attendus) {
        champ_.clear();
        EnvoiTouches(touches, 0, clavier);
        clavier.Synchronise();
        QElapsedTimer t;
        t.start();
        while (champ_.toPlainText().size() < attendus && t.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        Attend(100);
        return champ_.toPlainText();
    }

    void Verrou(Verrou v, bool actif) {
        ClavierX11 clavier;
        if (clavier.VerrouActif(v) != actif) {
            BasculeTouche(clavier, v == Verrou::Majuscules ? kCodeVerrMaj : kCodeVerrNum);
            clavier.Synchronise();
        }
        ASSERT_EQ(clavier.VerrouActif(v), actif);
        Attend(50);
    }

    QPlainTextEdit champ_;
};

const struct {
    const char* nom;
    std::u32string touches;
    const char16_t* texte;
} kCas[] = {
    {"letters and shift", U"Hello +world", u"Hello World"},
    {"digits and symbols", U"0123456789 !@#$/\\|<>?,.;:'\"-_=*&",
     u"0123456789 !@#$/\\|<>?,.;:'\"-_=*&"},
    {"braced characters", U"{+}{^}{%}{~}{(}{)}{{}{}}[]", u"+^%~(){}[]"},
    {"enter and tab", U"a{ENTER}b{TAB}c~d", u"a\nb\tc\nd"},
    {"repeat and backspace", U"{x 3}yy{BS}", u"xxxy"},
    {"accented characters", U"éèàçù âêîôû ëïü", u"éèàçù âêîôû ëïü"},
    {"characters no layout has", U"Ωж€", u"Ωж€"},
};

} // namespace

TEST_F(Saisie, TypesWhatTheKeyStringSaysOnAUsLayout) {
    Disposition("us");
    for (const auto& c : kCas) {
        const QString attendu = QString::fromUtf16(c.texte);
        EXPECT_EQ(Tape(c.touches, attendu.size()), attendu) << c.nom;
    }
}

TEST_F(Saisie, TypesWhatTheKeyStringSaysOnAFrenchLayout) {
    Disposition("fr");
    for (const auto& c : kCas) {
        const QString attendu = QString::fromUtf16(c.texte);
        EXPECT_EQ(Tape(c.touches, attendu.size()), attendu) << c.nom;
    }
    EXPECT_EQ(Tape(U"azerty AZERTY", 13), "azerty AZERTY");
}

TEST_F(Saisie, TheKeymapIsPutBackAfterCharactersItLacks) {
    Disposition("us");
    const unsigned long omega = 0x010003a9;
    EXPECT_EQ(Tape(U"aΩbΩ", 4), "aΩbΩ");
    EXPECT_FALSE(KeysymDansClavier(omega));
    // More missing characters than spare keys: they are freed and used again.
    std::u32string beaucoup;
    QString attendu;
    for (char32_t c = 0x0410; c < 0x0410 + 30; ++c) {
        beaucoup += c;
        attendu += QString::fromUcs4(&c, 1);
    }
    EXPECT_EQ(Tape(beaucoup, attendu.size()), attendu);
    EXPECT_FALSE(KeysymDansClavier(0x01000410));
}

TEST_F(Saisie, OneKeyboardFollowsChangesOfLayout) {
    Disposition("us");
    ClavierX11 clavier;
    clavier.DefinitAttente(Attend);
    const auto tape = [&](const std::u32string& touches, qsizetype attendus) {
        return TapeAvec(clavier, touches, attendus);
    };
    EXPECT_EQ(tape(U"qa1é", 4), "qa1é");
    Disposition("fr");
    EXPECT_EQ(tape(U"qa1é", 4), "qa1é");
    Disposition("us");
    EXPECT_EQ(tape(U"qa1é", 4), "qa1é");
}

TEST_F(Saisie, TheCommandLineTypesIntoTheFocusedWindow) {
    Disposition("fr");
    champ_.clear();
    QProcess cli;
    cli.start(KOVRA_CLI_EXE, {"type", "--delay", "50", "Kovra {ENTER}été@"});
    QElapsedTimer t;
    t.start();
    while ((cli.state() != QProcess::NotRunning || champ_.toPlainText().size() < 11) &&
           t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(champ_.toPlainText(), "Kovra \nété@");
}

TEST_F(Saisie, CapsLockStaysAsTheUserLeftIt) {
    for (const bool majuscules : {false, true}) {
        Verrou(Verrou::Majuscules, majuscules);
        EXPECT_EQ(Tape(U"abc+d", 4), "abcD") << majuscules;
        EXPECT_EQ(ClavierX11().VerrouActif(Verrou::Majuscules), majuscules);
        // A Caps Lock typed by the string is undone at the end too.
        EXPECT_EQ(Tape(U"{CAPSLOCK}abc", 3), "ABC") << majuscules;
        EXPECT_EQ(ClavierX11().VerrouActif(Verrou::Majuscules), majuscules);
    }
    Verrou(Verrou::Majuscules, false);
}

TEST_F(Saisie, NumLockStaysAsTheUserLeftIt) {
    for (const bool numerique : {false, true}) {
        Verrou(Verrou::Numerique, numerique);
        EXPECT_EQ(Tape(U"12", 2), "12");
        EXPECT_EQ(ClavierX11().VerrouActif(Verrou::Numerique), numerique);
    }
    Verrou(Verrou::Numerique, false);
}
