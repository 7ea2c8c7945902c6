// The small windows of the tray program, driven as a user would.
#include "link/OuverturePort.h"
#include "settings/FenetreChoixCom.h"
#include "shell/FenetreSplash.h"
#include "shell/MenuTray.h"
#include "shell/OptionsKovra.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/Attente.h"
#include "support/DossierTest.h"

#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;

TEST(OptionsKovra, ReadsTheCommandLine) {
    using D = OptionsKovra::Demande;
    const struct {
        QStringList arguments;
        D demande;
        QString dossier;
        bool sansSplash;
    } cas[] = {
        {{}, D::Lancer, "", false},
        {{"--dir", "/srv/kovra", "--no-splash"}, D::Lancer, "/srv/kovra", true},
        {{"--dir=/srv/kovra"}, D::Lancer, "/srv/kovra", false},
        {{"--no-splash", "--version"}, D::Version, "", true},
        {{"--help", "--bogus"}, D::Aide, "", false},
        {{"--dir"}, D::Erreur, "", false},
        {{"--dir="}, D::Erreur, "", false},
        {{"--verbose"}, D::Erreur, "", false},
    };
    for (const auto& c : cas) {
        const OptionsKovra o = LitOptions(c.arguments);
        const std::string ligne = c.arguments.join(' ').toStdString();
        EXPECT_EQ(o.demande, c.demande) << ligne;
        EXPECT_EQ(o.dossier, c.dossier) << ligne;
        EXPECT_EQ(o.sansSplash, c.sansSplash) << ligne;
        EXPECT_EQ(o.erreur.isEmpty(), c.demande != D::Erreur) << ligne;
    }
}

TEST(OptionsKovra, WithoutAnyDisplayTheProgramSaysSoInsteadOfAborting) {
    EXPECT_FALSE(AbsenceAffichage("", "", "").isEmpty());
    EXPECT_TRUE(AbsenceAffichage(":0", "", "").isEmpty());
    EXPECT_TRUE(AbsenceAffichage("", "wayland-0", "").isEmpty());
    EXPECT_TRUE(AbsenceAffichage("", "", "offscreen").isEmpty());
}

TEST(MenuTray, SitsAtTheBottomRightOfTheWorkArea) {
    const struct {
        QRect zone;
        QPoint position;
    } cas[] = {
        {{0, 0, 1024, 740}, {1024 - 20 - 187, 740 - 140}},             // a panel at the bottom
        {{0, 28, 1024, 740}, {1024 - 20 - 187, 768 - 140}},            // a panel at the top
        {{1920, 0, 1280, 1024}, {1920 + 1280 - 20 - 187, 1024 - 140}}, // the second screen
    };
    for (const auto& c : cas) {
        EXPECT_EQ(PositionMenu(c.zone, {187, 140}), c.position);
    }
}

TEST(MenuTray, HighlightsTheLineUnderTheMouseAndActsOnAClick) {
    QList<EntreeMenu> choix;
    auto* menu = new MenuTray(false, false, [&](EntreeMenu e) { choix << e; });
    QPointer<MenuTray> garde(menu);
    menu->AfficheSousLeCurseur();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QStringList libelles;
    for (const EntreeMenu e : EntreesMenu(false)) {
        libelles << menu->LblMenu(e)->text();
    }
    EXPECT_EQ(libelles, (QStringList{"   Kovra", "   Paramétrage", "   Fichier", "   Transfert",
                                     "   Quitter"}));
    EXPECT_EQ(EntreesMenu(true)[4], EntreeMenu::Commande);
    const QRect zone = menu->screen()->availableGeometry();
    EXPECT_EQ(menu->frameGeometry().bottomRight() + QPoint(1, 1),
              zone.bottomRight() + QPoint(1 - 20, 1));

    QLabel* fichier = menu->LblMenu(EntreeMenu::Fichier);
    QEnterEvent entree(QPointF(2, 2), QPointF(2, 2), fichier->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(fichier, &entree);
    EXPECT_EQ(menu->EntreeCourante(), 2);
    EXPECT_EQ(fichier->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(menu->LblMenu(EntreeMenu::Kovra)->palette().color(QPalette::WindowText),
              QColor(Qt::black));
    // A move over another line, through the window system as a real mouse's: the move
    // goes from the label to the line and on to the window, and the line stays lit.
    QTest::mouseMove(menu->LblMenu(EntreeMenu::Parametrage), QPoint(5, 5));
    QTest::mouseMove(menu->LblMenu(EntreeMenu::Parametrage), QPoint(8, 6));
    EXPECT_EQ(menu->EntreeCourante(), 1);
    QTest::mouseClick(menu->LblMenu(EntreeMenu::Transfert), Qt::LeftButton);
    EXPECT_EQ(choix, QList<EntreeMenu>{EntreeMenu::Transfert});
    ASSERT_TRUE(AttendQue([&] { return garde.isNull(); })); // closed by the choice
}

TEST(FenetreSplash, ShowsTheVersionThenGoesOn) {
    bool fini = false;
    QPointer<FenetreSplash> splash = new FenetreSplash([&] { fini = true; });
    splash->show();
    EXPECT_TRUE(splash->lblVersion->text().startsWith("Version "));
    EXPECT_EQ(splash->lblVersion->text().count('.'), 2);
    EXPECT_EQ(splash->Lblchargement->text(), "Chargement en cours ...");
    EXPECT_EQ(splash->TimeSplach.interval(), 2300);
    ASSERT_TRUE(AttendQue([&] { return fini; }, 5000));
    ASSERT_TRUE(AttendQue([&] { return splash.isNull(); }));
}

TEST(FenetreChoixCom, OffersTheDeviceThenTwentyPortsThenANetworkAddress) {
    EXPECT_EQ(LignesChoixCom("").size(), 21);
    EXPECT_EQ(LignesChoixCom("").front(), "Com1");
    EXPECT_EQ(LignesChoixCom("").back(), QString::fromUtf8("Adresse réseau…"));
    EXPECT_EQ(LignesChoixCom("/dev/ttyUSB0").mid(0, 2), (QStringList{"/dev/ttyUSB0", "Com1"}));
    const struct {
        const char* peripherique;
        int choisie;
        const char* port;
        const char* peripheriqueApres;
    } cas[] = {
        {"", 2, "3", ""},
        {"", -1, "1", ""},
        {"/dev/ttyUSB0", 20, "20", ""},           // a COM port instead of the device
        {"/dev/ttyUSB0", 0, "7", "/dev/ttyUSB0"}, // the device kept
    };
    for (const auto& c : cas) {
        DonneesTest t;
        const QString ini = t.Chemin(kPortSerie);
        EcrireIni(kSectionPort, "Port", "7", ini);
        EcrireIni(kSectionPort, "Peripherique", c.peripherique, ini);
        EXPECT_EQ(EnregistreChoixCom(t.donnees, LignesChoixCom(c.peripherique), c.choisie), "");
        EXPECT_EQ(LireIni(ini, kSectionPort, "Port"), c.port) << c.choisie;
        EXPECT_EQ(LireIni(ini, kSectionPort, "Peripherique"), c.peripheriqueApres) << c.choisie;
    }
}

TEST(FenetreChoixCom, OkStoresTheChoiceAndCloses) {
    DonneesTest t;
    QPointer<FenetreChoixCom> f = new FenetreChoixCom(t.donnees);
    std::optional<QString> refus;
    f->enregistre = [&](const QString& r) {
        refus = r;
    };
    f->show();
    EXPECT_EQ(f->windowTitle(), "Problème d'ouverture du port Com");
    EXPECT_FALSE(f->isModal());
    EXPECT_EQ(f->CboChoix->count(), 21);
    f->CboChoix->setCurrentIndex(4);
    QTest::mouseClick(f->CmdOK, Qt::LeftButton);
    EXPECT_EQ(refus, "");
    EXPECT_EQ(LireIni(t.Chemin(kPortSerie), kSectionPort, "Port"), "5");
    ASSERT_TRUE(AttendQue([&] { return f.isNull(); }));
}

TEST(FenetreChoixCom, ANetworkAddressIsTypedUnderTheList) {
    const struct {
        const char* nom;
        const char* peripherique; // in the file before
        const char* tape;         // null: the field left as it opens
        const char* refus;        // in the answer; null: stored
        const char* stocke;       // Peripherique afterwards
    } cas[] = {
        {"an address typed, blanks around it dropped", "", "  rfc2217://serveur:2217 ", nullptr,
         "rfc2217://serveur:2217"},
        {"the file's address, offered to be corrected", "tcp://ancien:4001", nullptr, nullptr,
         "tcp://ancien:4001"},
        {"an address badly written", "/dev/ttyUSB0", "tcp://serveur", "il manque le port",
         "/dev/ttyUSB0"},
        {"nothing typed", "", "", "vide", ""},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        DonneesTest t;
        const QString ini = t.Chemin(kPortSerie);
        EcrireIni(kSectionPort, "Port", " 2", ini);
        EcrireIni(kSectionPort, "Peripherique", c.peripherique, ini);
        QPointer<FenetreChoixCom> f = new FenetreChoixCom(t.donnees);
        f->dossierDefauts = kovra::test::DossierDefauts();
        std::optional<QString> refus;
        f->enregistre = [&](const QString& r) {
            refus = r;
        };
        f->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
        EXPECT_FALSE(f->TxtAdresse->isVisible());
        EXPECT_EQ(f->CboChoix->currentText(),
                  QString(c.peripherique).isEmpty() ? "Com2" : c.peripherique);
        f->CboChoix->setCurrentIndex(f->CboChoix->count() - 1);
        EXPECT_EQ(f->CboChoix->currentText(), QString::fromUtf8("Adresse réseau…"));
        EXPECT_TRUE(f->TxtAdresse->isVisible());
        EXPECT_EQ(f->TxtAdresse->text(),
                  QString(c.peripherique).startsWith("tcp:") ? c.peripherique : "");
        if (c.tape != nullptr) {
            f->TxtAdresse->clear();
            QTest::keyClicks(f->TxtAdresse, c.tape);
        }
        QTest::mouseClick(f->CmdOK, Qt::LeftButton);
        ASSERT_TRUE(refus.has_value());
        if (c.refus == nullptr) {
            EXPECT_EQ(*refus, "");
        } else {
            EXPECT_TRUE(refus->contains(QString::fromUtf8(c.refus))) << refus->toStdString();
        }
        EXPECT_EQ(LireIni(ini, kSectionPort, "Peripherique"), c.stocke);
        EXPECT_EQ(LireIni(ini, kSectionPort, "Port"), "2");
        ASSERT_TRUE(AttendQue([&] { return f.isNull(); }));
    }
}

TEST(FenetreChoixCom, OpensOnThePortNumberAsTheOpeningReadsIt) {
    for (const char* port : {"3", " 3.9", "3e0"}) {
        DonneesTest t;
        EcrireIni(kSectionPort, "Port", port, t.Chemin(kPortSerie));
        FenetreChoixCom f(t.donnees);
        EXPECT_EQ(f.CboChoix->currentText(), "Com3") << port;
    }
}
