#include "base/ErreurKovra.h"
#include "link/MSComm.h"
#include "link/OuverturePort.h"
#include "storage/FichierProfil.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::PseudoTerminal;

namespace {

void EcritPort(DonneesTest& t, const std::vector<std::pair<const char*, QString>>& valeurs) {
    for (const auto& [cle, valeur] : valeurs) {
        EcrireIni(kSectionPort, QString::fromUtf8(cle), valeur, t.Chemin("PortSerie.ini"));
    }
}

} // namespace

TEST(MSComm, ReadsAndWritesThroughTheDevice) {
    PseudoTerminal terminal;
    ASSERT_FALSE(terminal.Chemin().isEmpty());
    MSComm port;
    port.Peripherique = terminal.Chemin();
    port.Settings = "19200,E,7,1";
    port.SetPortOpen(true);
    ASSERT_TRUE(port.PortOpen());
    int evenements = 0;
    QObject::connect(&port, &MSComm::OnComm, [&] { ++evenements; });

    terminal.Envoie("AB\xE9\r");
    AttendQue([&] { return port.InBufferCount() >= 4; });
    EXPECT_GE(evenements, 1);
    EXPECT_EQ(port.CommEvent(), kComEvReceive);
    port.InputLen = 1;
    EXPECT_EQ(port.Input(), "A");
    port.InputLen = 0;
    EXPECT_EQ(port.Input(), "Bé\r");
    EXPECT_EQ(port.Input(), "");

    EXPECT_TRUE(port.Output("ACK\r"));
    EXPECT_EQ(terminal.Recoit(4), "ACK\r");
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
}

TEST(MSComm, AHungUpLineIsReportedOnceThenClosed) {
    PseudoTerminal terminal;
    MSComm port;
    port.Peripherique = terminal.Chemin();
    port.SetPortOpen(true);
    QList<int> evenements;
    QObject::connect(&port, &MSComm::OnComm, [&] { evenements << port.CommEvent(); });

    terminal.Ferme();
    ASSERT_TRUE(AttendQue([&] { return !evenements.isEmpty(); }));
    // Closed once the event is delivered: the dead line cannot report again.
    EXPECT_EQ(evenements, QList<int>{kComEventDevice});
    EXPECT_FALSE(port.PortOpen());
    EXPECT_FALSE(port.Output("ACK\r"));
}

TEST(MSComm, AWriteToAHungUpLineFailsAndIsReportedAfterwards) {
    PseudoTerminal terminal;
    MSComm port;
    port.Peripherique = terminal.Chemin();
    port.SetPortOpen(true);
    QList<int> evenements;
    QObject::connect(&port, &MSComm::OnComm, [&] { evenements << port.CommEvent(); });

    terminal.Ferme(); // nothing ran since: the port has not noticed yet
    EXPECT_FALSE(port.Output("ACK\r"));
    EXPECT_TRUE(evenements.isEmpty()); // the caller deals with the failure first
    ASSERT_TRUE(AttendQue([&] { return !evenements.isEmpty(); }));
    EXPECT_EQ(evenements, QList<int>{kComEventDevice});
    EXPECT_FALSE(port.PortOpen());
}

TEST(MSComm, RefusesWrongSettingsAndMissingDevices) {
    PseudoTerminal terminal;
    for (const char* reglages :
         {"9600,X,8,1", "9600,N,9,1", "vite,N,8,1", "9600,N,8", "9600,N,8,3"}) {
        MSComm port;
        port.Peripherique = terminal.Chemin();
        port.Settings = reglages;
        try {
            port.SetPortOpen(true);
            ADD_FAILURE() << reglages;
        } catch (const MSComm::ErreurPort& e) {
            EXPECT_EQ(e.Numero, MSComm::kErreurReglages);
        }
        EXPECT_FALSE(port.PortOpen());
    }
    // Settings the device itself cannot take (a pseudo-terminal takes no 7 data bits nor
    // parity): the port opens all the same, and no event makes it pass for a lost device.
    MSComm pty;
    pty.Peripherique = terminal.Chemin();
    pty.Settings = "9600,E,7,1";
    int evenements = 0;
    QObject::connect(&pty, &MSComm::OnComm, [&] { ++evenements; });
    pty.SetPortOpen(true);
    // A byte from the terminal comes after anything the opening may have raised: its
    // reception, alone, proves that nothing else came.
    terminal.Envoie("x");
    ASSERT_TRUE(AttendQue([&] { return evenements > 0; }));
    EXPECT_TRUE(pty.PortOpen());
    EXPECT_EQ(evenements, 1);
    EXPECT_EQ(pty.CommEvent(), kComEvReceive);

    MSComm absent;
    absent.Peripherique = "/dev/kovra-absent";
    EXPECT_THROW(absent.SetPortOpen(true), MSComm::ErreurPort);
    MSComm numero;
    numero.CommPort = 3;
    EXPECT_EQ(numero.NomPeripherique(), "/dev/ttyS2");
}

TEST(OuvrePort, AppliesPortSerieIni) {
    const struct {
        const char* nom;
        std::vector<std::pair<const char*, QString>> valeurs;
        ResultatOuverture resultat;
        const char* reglages;
        QStringList messages;
    } cas[] = {
        {"port not active",
         {{"PortActif", "0"}, {"Port", " 1"}},
         ResultatOuverture::Inactif,
         "",
         {}},
        {"no port yet",
         {},
         ResultatOuverture::AConfigurer,
         "",
         {"Veuillez configurer les paramétres de communication."}},
        {"1.5 stop bits open with 1",
         {{"Port", " 3"}, {"Vitesse", " 9600"}, {"Bit d'arrêt", " 1.5"}},
         ResultatOuverture::Ouvert,
         "9600,N,8,1",
         {}},
        {"even parity, 7 bits",
         {{"Port", "4"}, {"Vitesse", " 19200"}, {"Bit de parité", "E"}, {"Bit de donnée", " 7"}},
         ResultatOuverture::Ouvert,
         "19200,E,7,1",
         {}},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        PseudoTerminal terminal;
        EcritPort(t, c.valeurs);
        EcritPort(t, {{"Peripherique", terminal.Chemin()}, {"Protocol", "PT630"}});
        MSComm port;
        EtatLiaison type;
        EXPECT_EQ(OuvrePort(port, type, t.env), c.resultat) << c.nom;
        EXPECT_EQ(t.dialogues.Messages(), c.messages) << c.nom;
        if (c.resultat == ResultatOuverture::Ouvert) {
            EXPECT_TRUE(port.PortOpen()) << c.nom;
            EXPECT_EQ(port.Settings, c.reglages) << c.nom;
            EXPECT_EQ(type.TypeTerminal, GenreTerminal::PT630);
            EXPECT_EQ(port.InputLen, 1);
            EXPECT_EQ(t.dialogues.Bips(), 1);
        } else {
            EXPECT_FALSE(port.PortOpen()) << c.nom;
        }
    }
}

TEST(OuvrePort, SaysWhenThePortIsAlreadyOpen) {
    DonneesTest t;
    PseudoTerminal terminal;
    EcritPort(t, {{"Port", " 3"}, {"Peripherique", terminal.Chemin()}});
    MSComm port;
    EtatLiaison type;
    ASSERT_EQ(OuvrePort(port, type, t.env), ResultatOuverture::Ouvert);
    EXPECT_EQ(OuvrePort(port, type, t.env), ResultatOuverture::DejaOuvert);
    ASSERT_EQ(t.dialogues.Journal().size(), 1u);
    EXPECT_EQ(t.dialogues.Journal()[0].texte, "Le port de communication : 3 est déja ouvert");
    EXPECT_EQ(t.dialogues.Journal()[0].icone, Icone::Critique);
    EXPECT_TRUE(port.PortOpen());
}

TEST(OuvrePort, ReportsWhatCannotBeUsed) {
    const struct {
        std::vector<std::pair<const char*, QString>> valeurs;
        bool erreurPort;
    } cas[] = {
        {{{"PortActif", ""}}, false},
        {{{"PortActif", "oui"}}, false},
        {{{"Port", "trois"}}, false},
        {{{"Port", "1"}, {"Vitesse", "rapide"}}, false},
        {{{"Port", "1"}, {"Flux", ""}}, false},
        {{{"Port", "1"}, {"Peripherique", "/dev/kovra-absent"}}, true},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        EcritPort(t, c.valeurs);
        MSComm port;
        EtatLiaison type;
        if (c.erreurPort) {
            EXPECT_THROW(OuvrePort(port, type, t.env), MSComm::ErreurPort);
        } else {
            EXPECT_THROW(OuvrePort(port, type, t.env), ErreurKovra);
        }
        EXPECT_FALSE(port.PortOpen());
    }
}
