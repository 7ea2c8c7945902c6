// The scenario test window on a real X server: its buttons, the values asked in input
// boxes (scripted), and the output typed into a real text field through the X11 keyboard.
#include "editor/FenetreTest.h"

#include "app/EssaiScenario.h"
#include "app/NoyauKovra.h"
#include "base/ErreurKovra.h"
#include "base/MinuterieQt.h"
#include "keyboard/x11/ClavierX11.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/PosteImport.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::PosteImport;
using kovra::test::TourneBoucle;

namespace {

void Clique(FenetreTest& fenetre, int n) {
    QToolBar* tlb = fenetre.TlbScenarios;
    ASSERT_NE(tlb, nullptr);
    ASSERT_GE(tlb->actions().size(), n);
    QWidget* bouton = tlb->widgetForAction(tlb->actions()[n - 1]);
    ASSERT_NE(bouton, nullptr);
    QTest::mouseClick(bouton, Qt::LeftButton);
}

bool BoutonActif(FenetreTest& fenetre, int n) {
    return fenetre.TlbScenarios->actions()[n - 1]->isEnabled();
}

const QStringList kSaisie = {QStringLiteral("&CODE"), QStringLiteral("{TAB}"),
                             QStringLiteral("&QTY"), QStringLiteral("{ENTER}")};

TEST(FenetreTest, TypesTheTestIntoTheFocusedFieldThroughTheX11Keyboard) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "needs an X server (xvfb-run)";
    DonneesTest t;
    MinuterieQt minuterie;
    ProgressionMuette progression;
    InfoBulleMuette bulle;
    NoyauKovra noyau(
        {t.donnees, t.registre, t.dialogues, bulle, minuterie, progression,
         [] { return std::unique_ptr<ClavierVirtuel>(std::make_unique<ClavierX11>()); }, true});
    noyau.ChargeReglages();
    const qint16 numero =
        t.Scenario(QStringLiteral("Saisie"), QStringLiteral("Emulation"), kSaisie);
    for (const char* v : {"A1", "1", "A2", "2", "A3", "3", "A4", "4"}) {
        t.dialogues.PrepareSaisie(QString::fromUtf8(v));
    }

    // The settings window holds the focus until the test sets it aside.
    QWidget parametrage;
    parametrage.resize(300, 200);
    parametrage.show();
    QPlainTextEdit champ;
    champ.resize(400, 200);
    champ.show();
    int avant = 0;
    int misDeCote = 0;
    int fermetures = 0;
    FenetreTest fenetre({noyau, t.dialogues, [&] { ++avant; },
                         [&] {
                             ++misDeCote;
                             parametrage.hide();
                             // The user's move in the pause: the receiving field gets the
                             // focus.
                             champ.activateWindow();
                             champ.setFocus();
                         },
                         [&] {
                             ++fermetures;
                         }},
                        numero);
    fenetre.show();
    fenetre.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fenetre, 5000));
    QSignalSpy fin(&fenetre, &FenetreTest::essaiTermine);

    Clique(fenetre, 1);
    EXPECT_EQ(avant, 1);
    EXPECT_EQ(misDeCote, 1);
    EXPECT_FALSE(parametrage.isVisible());
    EXPECT_EQ(t.dialogues.Journal().size(), 8u);
    EXPECT_FALSE(BoutonActif(fenetre, 1));
    // A second click while the first test waits asks nothing.
    fenetre.Lance();
    EXPECT_EQ(t.dialogues.Journal().size(), 8u);
    EXPECT_EQ(avant, 1);

    ASSERT_TRUE(QTest::qWaitForWindowActive(&champ, 5000));
    ASSERT_TRUE(AttendQue([&] { return fin.size() == 1; }, 30000));
    EXPECT_TRUE(fin[0][0].toBool());
    EXPECT_TRUE(AttendQue([&] { return champ.toPlainText().size() >= 20; }, 10000));
    EXPECT_EQ(champ.toPlainText(), "A1\t1\nA2\t2\nA3\t3\nA4\t4\n");
    EXPECT_TRUE(BoutonActif(fenetre, 1));
    EXPECT_EQ(t.dialogues.ReponsesManquantes(), 0);
    EXPECT_TRUE(t.dialogues.Messages().isEmpty())
        << t.dialogues.Messages().join('\n').toStdString();

    // Button 2 closes the editor's windows.
    Clique(fenetre, 2);
    EXPECT_EQ(fermetures, 1);

    bool fini = false;
    noyau.Quitte([&] { fini = true; });
    AttendQue([&] { return fini; }, 10000);
}

TEST(FenetreTest, AFailureBeforeTheTestIsShownAndAsksNothing) {
    PosteImport p;
    const qint16 numero =
        p.t.Scenario(QStringLiteral("Saisie"), QStringLiteral("Emulation"), kSaisie);
    FenetreTest fenetre({*p.noyau,
                         p.t.dialogues,
                         [] { throw ErreurKovra(QStringLiteral("La liste n'a pas pu être lue.")); },
                         {},
                         {}},
                        numero);
    fenetre.Lance();
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{"La liste n'a pas pu être lue."});
    EXPECT_EQ(p.t.dialogues.Journal().size(), 1u);
    EXPECT_TRUE(BoutonActif(fenetre, 1));

    // A scenario deleted meanwhile.
    FenetreTest autre({*p.noyau, p.t.dialogues, {}, {}, {}}, numero);
    autre.ChangeScenario(77);
    EXPECT_EQ(autre.NumScen(), 77);
    autre.Lance();
    EXPECT_EQ(p.t.dialogues.Messages().size(), 2);
    EXPECT_FALSE(autre.EnCours());
    EXPECT_TRUE(p.livrees.isEmpty());
}

TEST(FenetreTest, ATestHandedOverIsDeliveredEvenIfTheWindowGoesAndButton2ClosesIt) {
    PosteImport p;
    const qint16 numero =
        p.t.Scenario(QStringLiteral("Saisie"), QStringLiteral("Emulation"), kSaisie);
    for (int i = 0; i < 8; ++i) {
        p.t.dialogues.PrepareSaisie(QString::number(i));
    }
    auto* fenetre = new FenetreTest({*p.noyau, p.t.dialogues, {}, {}, {}}, numero);
    fenetre->setAttribute(Qt::WA_DeleteOnClose);
    fenetre->show();
    QPointer<FenetreTest> garde(fenetre);
    fenetre->Lance();
    EXPECT_TRUE(fenetre->EnCours());
    // Without an editor, button 2 closes the window itself.
    Clique(*fenetre, 2);
    ASSERT_TRUE(AttendQue([&] { return garde.isNull(); }));
    ASSERT_TRUE(AttendQue([&] { return p.livrees.size() == 1; }, 10000));
    EXPECT_TRUE(p.livrees[0]);
    EXPECT_EQ(p.clavier->Caracteres(), U"01234567");
}

TEST(FenetreTest, Button1WaitsForTheNoticeOfTheLastTestToBeClosed) {
    PosteImport p;
    const qint16 numero =
        p.t.Scenario(QStringLiteral("Stock"), QStringLiteral("Fichier"),
                     {QStringLiteral("&CODE"), QStringLiteral("&PASSLIGNE")}, p.Sortie());
    p.t.dialogues.GardeAvisOuverts(true); // the user has not clicked OK yet
    FenetreTest fenetre({*p.noyau, p.t.dialogues, {}, {}, {}}, numero);
    fenetre.show();
    QSignalSpy fin(&fenetre, &FenetreTest::essaiTermine);
    const QString genere = "Fichier " + p.Sortie() + " : généré";
    const auto teste = [&](const char* valeur) {
        for (int i = 0; i < 4; ++i) {
            p.t.dialogues.PrepareSaisie(QString::fromUtf8(valeur));
        }
        const qsizetype avant = fin.size();
        Clique(fenetre, 1);
        return AttendQue([&] { return fin.size() > avant; }, 10000);
    };

    ASSERT_TRUE(teste("A"));
    ASSERT_EQ(fin.size(), 1);
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{genere});
    EXPECT_TRUE(fenetre.AttendAvis());
    EXPECT_FALSE(BoutonActif(fenetre, 1));
    // Pressed while the message is open: nothing is asked, written or shown.
    fenetre.Lance();
    Clique(fenetre, 1);
    TourneBoucle(50);
    EXPECT_EQ(fin.size(), 1);
    EXPECT_EQ(p.t.dialogues.Journal().size(), 5u); // four values, one message
    EXPECT_EQ(p.t.dialogues.ReponsesManquantes(), 0);
    EXPECT_EQ(p.t.dialogues.AvisOuverts(), 1);

    // Once it is closed, the next test runs, and its message comes alone.
    p.t.dialogues.FermeAvis();
    EXPECT_FALSE(fenetre.AttendAvis());
    EXPECT_TRUE(BoutonActif(fenetre, 1));
    ASSERT_TRUE(teste("B"));
    ASSERT_EQ(fin.size(), 2);
    EXPECT_EQ(p.t.dialogues.Messages(), (QStringList{genere, genere}));
    EXPECT_EQ(p.t.dialogues.AvisOuverts(), 1);
    EXPECT_FALSE(BoutonActif(fenetre, 1));
    EXPECT_EQ(p.t.dossier.Lit(QStringLiteral("sortie.txt")), "B\r\nB\r\nB\r\nB\r\n");
    p.t.dialogues.FermeAvis();
    EXPECT_TRUE(BoutonActif(fenetre, 1));
}

} // namespace
