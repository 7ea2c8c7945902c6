// The port choice start-up shows when the port cannot be opened: it says why, and stores
// the port chosen as the settings window stores one.
#include "keyboard/ClavierEnregistreur.h"
#include "link/MSComm.h"
#include "link/OuverturePort.h"
#include "link/ReglagesPort.h"
#include "settings/FenetreChoixCom.h"
#include "shell/ProgrammeKovra.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/DossierTest.h"
#include "support/MinuterieManuelle.h"
#include "support/PseudoTerminal.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;

TEST(FenetreChoixCom, StoresThePortWithItsBlankAndNeverAFileTheNextStartRefuses) {
    const struct {
        const char* nom;
        bool fichierPerdu; // PortSerie.ini deleted while Kovra runs
        int choisie;
        const char* ligne; // the line written
    } cas[] = {
        {"COM 5 chosen", false, 4, "Port= 5"},
        {"nothing chosen", false, -1, "Port= 1"},
        {"the file lost meanwhile", true, 2, "Port= 3"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        DonneesTest t;
        const QString ini = t.Chemin(kPortSerie);
        if (c.fichierPerdu) {
            QFile::remove(ini);
        }
        EXPECT_EQ(EnregistreChoixCom(t.donnees, LignesChoixCom(""), c.choisie,
                                     kovra::test::DossierDefauts()),
                  "");
        EXPECT_TRUE(t.dossier.Lit("donnees/" + kPortSerie).contains(c.ligne));
        // What a start reads: every value it needs is there.
        EXPECT_EQ(LireIni(ini, kSectionPort, "PortActif"), "1");
        EXPECT_EQ(RefusOuverturePort(DocumentProfil::Charge(ini)), "");
    }
}

namespace {

// Kovra started on a data folder whose port cannot be opened.
struct Demarrage {
    explicit Demarrage(DonneesTest& t)
        : programme(ServicesProgramme{
              t.donnees,
              t.registre,
              t.dialogues,
              minuterie,
              progression,
              [] { return std::unique_ptr<ClavierVirtuel>(new ClavierEnregistreur); },
              {},
              {},
              {},
              {},
              [] { return false; },
              [](int) {
              }}) {}

    // The port choice the start showed, if any.
    FenetreChoixCom* Choix() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* f = dynamic_cast<FenetreChoixCom*>(w); f != nullptr && f->isVisible()) {
                return f;
            }
        }
        return nullptr;
    }

    kovra::test::MinuterieManuelle minuterie;
    ProgressionMuette progression;
    ProgrammeKovra programme;
};

} // namespace

TEST(FenetreChoixCom, APortHeldByAnotherProgramIsSaidAboveTheChoice) {
    DonneesTest t;
    kovra::test::PseudoTerminal terminal;
    const QString ini = t.Chemin(kPortSerie);
    EcrireIni(kSectionPort, "Port", " 1", ini);
    EcrireIni(kSectionPort, "Peripherique", terminal.Chemin(), ini);
    MSComm autre; // another program has the line
    autre.Peripherique = terminal.Chemin();
    autre.SetPortOpen(true);

    Demarrage demarrage(t);
    ASSERT_TRUE(demarrage.programme.Demarre());
    FenetreChoixCom* choix = demarrage.Choix();
    ASSERT_NE(choix, nullptr);
    EXPECT_TRUE(choix->LblRaison->isVisible());
    EXPECT_EQ(choix->LblRaison->text().left(choix->LblRaison->text().indexOf(" (")),
              "Impossible d'ouvrir le port " + terminal.Chemin() +
                  " : il est occupé par un autre programme");
    choix->close();
}

// The device is missing, so the port choice comes before the line settings are looked at;
// a value the Windows program's lists offered but the port cannot take keeps the choice
// from being stored, and the message names it.
TEST(FenetreChoixCom, AChoiceTheFileKeepsFromBeingStoredSaysWhatIsInTheWay) {
    const struct {
        const char* cle;
        const char* valeur;
        const char* dit; // what the message names
    } cas[] = {
        {"Bit de donnée", " 4", "4 bits de données"},
        {"Bit de parité", "X", "La parité « X » n'existe pas"},
        {"Bit d'arrêt", " 3", "bits d'arrêt « 3 » n'existe pas"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.cle);
        DonneesTest t;
        const QString ini = t.Chemin(kPortSerie);
        EcrireIni(kSectionPort, "Port", " 1", ini);
        EcrireIni(kSectionPort, "Peripherique", "/dev/kovra-absent", ini);
        EcrireIni(kSectionPort, c.cle, c.valeur, ini);
        const QByteArray avant = t.dossier.Lit("donnees/" + kPortSerie);

        Demarrage demarrage(t);
        ASSERT_TRUE(demarrage.programme.Demarre());
        FenetreChoixCom* choix = demarrage.Choix();
        ASSERT_NE(choix, nullptr);
        choix->CboChoix->setCurrentIndex(3); // after the device's line: Com3
        QTest::mouseClick(choix->CmdOK, Qt::LeftButton);

        ASSERT_FALSE(t.dialogues.Messages().isEmpty());
        const QString message = t.dialogues.Messages().last();
        EXPECT_TRUE(message.startsWith("Le port choisi n'a pas été enregistré. "))
            << message.toStdString();
        EXPECT_TRUE(message.contains(c.dit)) << message.toStdString();
        EXPECT_EQ(t.dossier.Lit("donnees/" + kPortSerie), avant);
    }
}
