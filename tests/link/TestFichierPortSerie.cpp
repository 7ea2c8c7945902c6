// The one reader of section "Port_série" of PortSerie.ini, and the readers built on it
// agreeing on what a number of the file is.
#include "link/FichierPortSerie.h"

#include "base/ErreurKovra.h"
#include "dialogues/DialoguesScriptes.h"
#include "link/EtatLiaison.h"
#include "link/MSComm.h"
#include "link/OuverturePort.h"
#include "link/ReglagesPort.h"
#include "storage/FichierProfil.h"
#include "storage/Registre.h"
#include "support/DossierTest.h"
#include "support/PseudoTerminal.h"

#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

TEST(FichierPortSerie, ANumberIsTheIntegerPartOfADecimalThatFitsIn32Bits) {
    const struct {
        const char* texte;
        std::optional<qint32> nombre;
    } cas[] = {
        {"9600", 9600},
        {" 8", 8},
        {"8 ", 8},
        {"\t7\t", 7},
        {"\xC2\xA0"
         "7",
         7}, // a no-break space is a blank too
        {"+3", 3},
        {"1.5", 1},
        {"1.9", 1},
        {"3.", 3},
        {".5", 0},
        {"-0.9", 0},
        {"-2.7", -2},
        {"1e3", 1000},
        {"2147483647", 2147483647},
        {"2147483646.5", 2147483646},
        {"2147483647.5", std::nullopt},
        {"-2147483647", -2147483647},
        {"-2147483648", std::nullopt},
        {"2147483648", std::nullopt},
        {"3000000000", std::nullopt},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"trois", std::nullopt},
        {"COM1", std::nullopt},
        {"1,5", std::nullopt},
        {"0x10", std::nullopt},
        {"8 bits", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(NombrePortSerie(QString::fromUtf8(c.texte)), c.nombre) << c.texte;
    }
}

TEST(FichierPortSerie, ReadsEachKeyOnceNumbersByTheRuleTextsAsTheyStand) {
    const struct {
        const char* nom;
        QByteArray fichier; // null: no file
        FichierPortSerie attendu;
    } cas[] = {
        {"every key, Windows-1252, CR LF, other sections around",
         "[Avant]\r\nPort=9\r\n[Port_s\xE9rie]\r\nPortActif=1\r\nPort= 3\r\n"
         "Peripherique=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\r\nVitesse= 19200\r\n"
         "Bit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=e\r\nBit d'arr\xEAt= 1.5\r\nProtocol=PT630\r\nFlux= 2\r\n"
         "Fichier=C:\\Kovra\\stock.txt\r\nRepertoire=/srv/echanges\r\n[Apres]\r\nFlux=0\r\n",
         {{"1", 1},
          {"3", 3},
          "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
          {"19200", 19200},
          {"7", 7},
          "e",
          {"1.5", 1},
          {"2", 2},
          "PT630",
          "C:\\Kovra\\stock.txt",
          "/srv/echanges"}},
        {"values that are no numbers keep their text",
         "[Port_s\xE9rie]\nPortActif=oui\nPort=COM1\nPeripherique=tcp://poste-12:4001\n"
         "Vitesse=\" 9600 \"\nBit de donn\xE9"
         "e=huit\nFlux=1,5\n",
         {{"oui", std::nullopt},
          {"COM1", std::nullopt},
          "tcp://poste-12:4001",
          {" 9600 ", 9600},
          {"huit", std::nullopt},
          {},
          {},
          {"1,5", std::nullopt},
          {},
          {},
          {}}},
        {"no file", QByteArray(), FichierPortSerie()},
    };
    for (const auto& c : cas) {
        DossierTest d;
        if (!c.fichier.isNull()) {
            d.Ecrit("PortSerie.ini", c.fichier);
        }
        EXPECT_TRUE(LitPortSerie(d.Chemin()) == c.attendu) << c.nom;
        EXPECT_TRUE(LitPortSerie(DocumentProfil::DepuisOctets(c.fichier)) == c.attendu) << c.nom;
    }
}

// The settings page, the opening and the check before writing read a number of the file
// the same way: what the port opens with is what the page shows.
TEST(FichierPortSerie, EveryReaderTakesTheSameNumber) {
    kovra::test::PseudoTerminal terminal;
    const struct {
        const char* port;
        const char* donnees;
        const char* flux;
        int com;
        int bits;
        int handshaking;
    } cas[] = {
        {" 3", "8", "0", 3, 8, 0},
        {"3.7", "8.0", "1e0", 3, 8, 1},
        {"\" 2 \"", "7.9", "2.", 2, 7, 2},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.port);
        DossierTest d;
        const QString ini = d.Chemin("PortSerie.ini");
        d.Ecrit("PortSerie.ini", QByteArray("[Port_s\xE9rie]\r\nPortActif=1\r\nPort=") + c.port +
                                     "\r\nPeripherique=" + terminal.Chemin().toUtf8() +
                                     "\r\nVitesse=9600\r\nBit de donn\xE9"
                                     "e=" +
                                     c.donnees + "\r\nBit de parit\xE9=N\r\nBit d'arr\xEAt=1\r\n" +
                                     "Protocol=HT630\r\nFlux=" + c.flux + "\r\n");
        const ReglagesPort lus = LitReglagesPort(d.Chemin());
        EXPECT_EQ(lus.bitsDonnees, c.bits);
        EXPECT_EQ(lus.flux, c.handshaking);
        EXPECT_EQ(RefusOuverturePort(DocumentProfil::Charge(ini)), "");

        DialoguesScriptes dialogues;
        Registre registre(d.Chemin("registre"));
        MSComm port;
        EtatLiaison liaison;
        EXPECT_EQ(OuvrePort(port, liaison, {d.Chemin(), registre, dialogues}),
                  ResultatOuverture::Ouvert);
        EXPECT_EQ(port.CommPort, c.com);
        EXPECT_EQ(port.Settings, QString("9600,N,%1,1").arg(c.bits));
        EXPECT_EQ(port.Handshaking, c.handshaking);

        // Without the device, the port number is what the page and the opening use.
        EcrireIni(kSectionPort, "Peripherique", "", ini);
        EXPECT_EQ(LitReglagesPort(d.Chemin()).port, c.com);
    }
}

TEST(FichierPortSerie, TheOpeningRefusesAValueThatIsNoNumberNamingIt) {
    DossierTest d;
    d.Ecrit("PortSerie.ini", "[Port_s\xE9rie]\r\nPortActif=1\r\nPort=1\r\nVitesse=9600\r\n"
                             "Bit de donn\xE9"
                             "e=8\r\nBit de parit\xE9=N\r\nBit d'arr\xEAt=1\r\nFlux=1,5\r\n");
    DialoguesScriptes dialogues;
    Registre registre(d.Chemin("registre"));
    MSComm port;
    EtatLiaison liaison;
    try {
        (void)OuvrePort(port, liaison, {d.Chemin(), registre, dialogues});
        ADD_FAILURE() << "opened";
    } catch (const ErreurKovra& e) {
        EXPECT_EQ(e.Code(), "13");
        EXPECT_TRUE(e.Message().contains("« 1,5 » de « Flux »")) << e.Message().toStdString();
    }
    EXPECT_FALSE(port.PortOpen());
}
