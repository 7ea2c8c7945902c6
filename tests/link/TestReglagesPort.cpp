#include "link/ReglagesPort.h"

#include "base/ErreurKovra.h"
#include "dialogues/DialoguesScriptes.h"
#include "link/AdresseReseau.h"
#include "link/EtatLiaison.h"
#include "link/MSComm.h"
#include "link/OuverturePort.h"
#include "storage/FichierProfil.h"
#include "storage/Registre.h"
#include "support/DossierTest.h"
#include "support/PseudoTerminal.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace kovra;
using kovra::test::DossierDefauts;
using kovra::test::DossierTest;

namespace {

// A file as the Windows program leaves it: Windows-1252, CR LF, other sections and keys
// around the port's own.
const QByteArray kFichier = "; r\xE9glages du port\r\n[Avant]\r\nCle=valeur\r\n"
                            "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 9600\r\n"
                            "Bit de donn\xE9"
                            "e= 8\r\nBit de parit\xE9=N\r\nBit d'arr\xEAt= 1\r\n"
                            "Protocol=HT630\r\nFlux= 0\r\nFichier=C:\\Kovra\\stock.txt\r\n"
                            "\r\n[Apres]\r\nAutre=1\r\n";

ReglagesPort Complets() {
    ReglagesPort r;
    r.port = 3;
    r.vitesse = "19200";
    r.bitsDonnees = 7;
    r.parite = QChar('E');
    r.arret = "1.5";
    r.flux = 2;
    r.protocole = "PT630";
    return r;
}

// Makes a file that cannot be written, even by root (who writes over modes), or allows it
// again. False when neither the file system nor the user allows it.
bool LectureSeule(const QString& chemin, bool oui) {
    const int fd = open(QFile::encodeName(chemin).constData(), O_RDONLY);
    if (fd >= 0) {
        int attributs = 0;
        bool ok = ioctl(fd, FS_IOC_GETFLAGS, &attributs) == 0;
        attributs = oui ? (attributs | FS_IMMUTABLE_FL) : (attributs & ~FS_IMMUTABLE_FL);
        ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &attributs) == 0;
        close(fd);
        if (ok) {
            return true;
        }
    }
    if (geteuid() == 0) {
        return false;
    }
    return QFile::setPermissions(chemin,
                                 oui ? QFile::ReadOwner : QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

TEST(EcritReglagesPort, WritesTheFileByteForByte) {
    ReglagesPort seulementFlux;
    seulementFlux.flux = 1;
    ReglagesPort peripherique;
    peripherique.peripherique = "/dev/ttyUSB0";
    const struct {
        const char* nom;
        QByteArray avant; // null: no file
        ReglagesPort reglages;
        QByteArray apres;
    } cas[] = {
        {"every value: changed in place, the port added to its section", kFichier, Complets(),
         "; r\xE9glages du port\r\n[Avant]\r\nCle=valeur\r\n[Port_s\xE9rie]\r\nPortActif=1\r\n"
         "Vitesse= 19200\r\nBit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\n"
         "Protocol=PT630\r\nFlux= 2\r\nFichier=C:\\Kovra\\stock.txt\r\nPort= 3\r\n"
         "\r\n[Apres]\r\nAutre=1\r\n"},
        {"no file: the default one, changed in place", QByteArray(), Complets(),
         "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 19200\r\nBit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\nProtocol=PT630\r\nFlux= 2\r\n"
         "Port= 3\r\n"},
        {"unset values are not written", kFichier, seulementFlux,
         QByteArray(kFichier).replace("Flux= 0", "Flux= 1")},
        {"a device, no port yet: port 1 so the port counts as configured; what the opening "
         "reads and the file lacks, from the defaults",
         "[Port_s\xE9rie]\nPortActif=1\nProtocol=HT630", peripherique,
         "[Port_s\xE9rie]\nPortActif=1\nProtocol=HT630\nPort= 1\nPeripherique=/dev/ttyUSB0\n"
         "Vitesse= 9600\nBit de donn\xE9"
         "e= 8\nBit de parit\xE9=N\nBit d'arr\xEAt= 1\nFlux= 0"},
        {"a COM port forgets the device, keeping its key",
         "[Port_s\xE9rie]\r\nPeripherique=/dev/pts/4\r\nPort= 1\r\n", Complets(),
         "[Port_s\xE9rie]\r\nPeripherique=\r\nPort= 3\r\nBit de donn\xE9"
         "e= 7\r\n"
         "Bit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\nVitesse= 19200\r\nProtocol=PT630\r\n"
         "Flux= 2\r\nPortActif=1\r\n"},
    };
    for (const auto& c : cas) {
        DossierTest d;
        if (!c.avant.isNull()) {
            d.Ecrit("PortSerie.ini", c.avant);
        }
        EcritReglagesPort(d.Chemin(), c.reglages, DossierDefauts());
        EXPECT_EQ(d.Lit("PortSerie.ini"), c.apres) << c.nom;
    }
}

namespace {

// What the PortSerie.ini shipped with the program holds: every value but the port.
ReglagesPort ReglagesLivres() {
    ReglagesPort r;
    r.vitesse = "9600";
    r.bitsDonnees = 8;
    r.parite = QChar('N');
    r.arret = "1";
    r.flux = 0;
    r.protocole = "HT630";
    return r;
}

} // namespace

TEST(LitReglagesPort, GivesWhatTheFileHoldsEvenWithoutAPort) {
    const ReglagesPort livre = ReglagesLivres();
    ReglagesPort peripherique = livre;
    peripherique.peripherique = "/dev/pts/7";
    ReglagesPort bizarre; // kept as written: no list line will match them
    bizarre.parite = QChar('x');
    bizarre.arret = "1,5";
    bizarre.protocole = "ht630";
    const struct {
        const char* nom;
        QByteArray fichier;
        ReglagesPort attendu;
    } cas[] = {
        {"no port", kFichier, livre},
        {"a device stands for the port",
         QByteArray(kFichier).replace("PortActif=1", "Port=4\r\nPeripherique= /dev/pts/7"),
         peripherique},
        {"what no member can hold is unset",
         "[Port_s\xE9rie]\nPort=trois\nVitesse=\nBit de donn\xE9"
         "e=huit\nBit de parit\xE9=x\n"
         "Flux=x\nBit d'arr\xEAt=1,5\nProtocol=ht630\n",
         bizarre},
        {"no file", QByteArray(), ReglagesPort()},
    };
    for (const auto& c : cas) {
        DossierTest d;
        if (!c.fichier.isNull()) {
            d.Ecrit("PortSerie.ini", c.fichier);
        }
        EXPECT_TRUE(LitReglagesPort(d.Chemin()) == c.attendu) << c.nom;
    }
}

TEST(LitReglagesPort, ReadsBackWhatWasWritten) {
    ReglagesPort peripherique = Complets();
    peripherique.port.reset();
    peripherique.peripherique = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";
    for (const ReglagesPort& r : {Complets(), peripherique}) {
        DossierTest d;
        d.Ecrit("PortSerie.ini", kFichier);
        EcritReglagesPort(d.Chemin(), r, DossierDefauts());
        EXPECT_TRUE(LitReglagesPort(d.Chemin()) == r);
        // Written again as read: not a byte changes.
        const QByteArray octets = d.Lit("PortSerie.ini");
        EcritReglagesPort(d.Chemin(), LitReglagesPort(d.Chemin()), DossierDefauts());
        EXPECT_EQ(d.Lit("PortSerie.ini"), octets);
    }
}

TEST(RefusReglagesPort, NamesTheValueThePortCannotTake) {
    const auto avec = [](auto modifie) {
        ReglagesPort r = Complets();
        modifie(r);
        return r;
    };
    const struct {
        ReglagesPort reglages;
        const char* dans; // in the message; null: accepted
    } cas[] = {
        {Complets(), nullptr},
        {ReglagesPort(), nullptr},
        {avec([](ReglagesPort& r) { r.vitesse = "2147483647"; }), nullptr},
        {avec([](ReglagesPort& r) { r.bitsDonnees = 4; }), "4 bits de données"},
        {avec([](ReglagesPort& r) { r.vitesse = "0"; }), "« 0 »"},
        {avec([](ReglagesPort& r) { r.vitesse = "9600.5"; }), "« 9600.5 »"},
        {avec([](ReglagesPort& r) { r.vitesse = ""; }), "vitesse choisie est vide"},
        {avec([](ReglagesPort& r) { r.port = 21; }), "COM 21"},
        {avec([](ReglagesPort& r) { r.peripherique = "/dev/ttyS0"; }), "pas les deux"},
        {avec([](ReglagesPort& r) {
             r.port.reset();
             r.peripherique = "/dev/tty\nS0";
         }),
         "contrôle"},
        {avec([](ReglagesPort& r) { r.parite = QChar('e'); }), "« e »"},
        {avec([](ReglagesPort& r) { r.arret = "1,5"; }), "« 1,5 »"},
        {avec([](ReglagesPort& r) { r.flux = 4; }), "flux 4"},
        {avec([](ReglagesPort& r) { r.protocole = "ht630"; }), "« ht630 »"},
    };
    for (const auto& c : cas) {
        const QString refus = RefusReglagesPort(c.reglages);
        const QString attendu = c.dans ? QString::fromUtf8(c.dans) : QString();
        EXPECT_TRUE(c.dans ? refus.contains(attendu) : refus.isEmpty())
            << refus.toStdString() << " / " << attendu.toStdString();
    }
}

TEST(EcritReglagesPort, AFailureIsToldAndLeavesTheFileAsItWas) {
    ReglagesPort quatreBits = Complets();
    quatreBits.bitsDonnees = 4;
    ReglagesPort horsWindows1252 = Complets();
    horsWindows1252.port.reset();
    horsWindows1252.peripherique = QString::fromUtf8("/dev/serial/by-id/usb-Ключ");
    const struct {
        const char* nom;
        ReglagesPort reglages;
        const char* dans;
    } cas[] = {
        {"a value the port cannot take", quatreBits, "4 bits de données"},
        // Written as "?" the path would name another device.
        {"a device path the file cannot hold", horsWindows1252, "Windows-1252"},
    };
    for (const auto& c : cas) {
        DossierTest d;
        d.Ecrit("PortSerie.ini", kFichier);
        try {
            EcritReglagesPort(d.Chemin(), c.reglages, DossierDefauts());
            ADD_FAILURE() << c.nom << ": no failure";
        } catch (const ErreurKovra& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.dans))) << c.nom;
            EXPECT_TRUE(e.Message().contains(d.Chemin("PortSerie.ini"))) << c.nom;
        }
        EXPECT_EQ(d.Lit("PortSerie.ini"), kFichier) << c.nom;
    }

    // A data folder that is gone: nothing is made.
    DossierTest d;
    EXPECT_THROW(EcritReglagesPort(d.Chemin("absent"), Complets(), DossierDefauts()), ErreurKovra);
    EXPECT_FALSE(QFile::exists(d.Chemin("absent")));
    // A file that cannot be read is never saved over.
    QDir(d.Chemin()).mkdir("PortSerie.ini");
    EXPECT_THROW(EcritReglagesPort(d.Chemin(), Complets(), DossierDefauts()), ErreurKovra);
}

TEST(EcritReglagesPort, AReadOnlyFileIsToldAndKept) {
    DossierTest d;
    d.Ecrit("PortSerie.ini", kFichier);
    const QString chemin = d.Chemin("PortSerie.ini");
    if (!LectureSeule(chemin, true)) {
        GTEST_SKIP() << "no way here to make a file read-only for this user";
    }
    QString message;
    try {
        EcritReglagesPort(d.Chemin(), Complets(), DossierDefauts());
    } catch (const ErreurKovra& e) {
        message = e.Message();
    }
    LectureSeule(chemin, false);
    EXPECT_TRUE(message.contains(chemin)) << message.toStdString();
    EXPECT_TRUE(message.contains("n'a pas été modifié")) << message.toStdString();
    EXPECT_EQ(d.Lit("PortSerie.ini"), kFichier);
}

TEST(ReglagesPort, TheSpeedLinesKeepTheirPlaces) {
    DossierTest d;
    d.Ecrit("Touche.ini", "[Vitesses]\r\n1=75\r\n2= 110\r\n4=300\r\n16=460800\r\n17=921600\r\n");
    QStringList attendu(16);
    attendu[0] = "75";
    attendu[1] = "110";
    attendu[3] = "300";
    attendu[15] = "460800";
    EXPECT_EQ(LignesVitesse(d.Chemin()), attendu);
    EXPECT_EQ(LignesVitesse(d.Chemin("absent")), QStringList(16));
}

TEST(EcritReglagesPort, NeverLeavesAFileTheNextStartRefuses) {
    kovra::test::PseudoTerminal terminal;
    ReglagesPort surTerminal;
    surTerminal.peripherique = terminal.Chemin();
    ReglagesPort com3;
    com3.port = 3;
    ReglagesPort flux1;
    flux1.flux = 1;
    const QByteArray seulPort = "[Port_s\xE9rie]\r\nPort= 3\r\n";
    const struct {
        const char* nom;
        QByteArray avant; // null: the file was lost
        ReglagesPort reglages;
        bool defauts;      // the defaults are installed
        const char* refus; // in the message; null: written, and the port opens from it
    } cas[] = {
        {"the file lost, only the port chosen", QByteArray(), surTerminal, true, nullptr},
        {"a file holding the port alone", seulPort, flux1, true, nullptr},
        {"a speed that is no number", QByteArray(seulPort).append("Vitesse=abc\r\n"), com3, true,
         "« abc » de « Vitesse »"},
        {"a parity the port has not", QByteArray(seulPort).append("Bit de parit\xE9=X\r\n"), com3,
         true, "parité « X »"},
        {"stop bits the port has not", QByteArray(seulPort).append("Bit d'arr\xEAt= 3\r\n"), com3,
         true, "bits d'arrêt « 3 »"},
        {"the file lost and no defaults", QByteArray(), com3, false, "« PortActif » est vide"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        DossierTest d;
        if (!c.avant.isNull()) {
            d.Ecrit("PortSerie.ini", c.avant);
        }
        const QString defauts = c.defauts ? DossierDefauts() : d.Chemin("sans-defauts");
        if (c.refus != nullptr) {
            try {
                EcritReglagesPort(d.Chemin(), c.reglages, defauts);
                ADD_FAILURE() << "written";
            } catch (const ErreurKovra& e) {
                EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.refus)))
                    << e.Message().toStdString();
                EXPECT_TRUE(e.Message().contains("n'a pas été modifié"));
            }
            EXPECT_EQ(QFile::exists(d.Chemin("PortSerie.ini")), !c.avant.isNull());
            if (!c.avant.isNull()) {
                EXPECT_EQ(d.Lit("PortSerie.ini"), c.avant);
            }
            continue;
        }
        EcritReglagesPort(d.Chemin(), c.reglages, defauts);
        const QString ini = d.Chemin("PortSerie.ini");
        EXPECT_EQ(LireIni(ini, kSectionPort, "PortActif"), "1");
        if (c.reglages.peripherique) {
            // Opened as a start would: no error ends it.
            DialoguesScriptes dialogues;
            Registre registre(d.Chemin("registre"));
            MSComm port;
            EtatLiaison liaison;
            EXPECT_EQ(OuvrePort(port, liaison, {d.Chemin(), registre, dialogues}),
                      ResultatOuverture::Ouvert);
            EXPECT_EQ(port.Settings, "9600,N,8,1");
        } else {
            EXPECT_EQ(RefusOuverturePort(DocumentProfil::Charge(ini)), "");
            EXPECT_EQ(LireIni(ini, kSectionPort, "Vitesse"), "9600");
        }
    }
}

TEST(LitReglagesPort, TakesWhatTheFileLacksFromTheDefaults) {
    const ReglagesPort defauts = ReglagesLivres();
    ReglagesPort partiel = defauts;
    partiel.port = 4;
    partiel.vitesse = "14400"; // no line offers it: kept all the same
    ReglagesPort illisible = defauts;
    illisible.bitsDonnees.reset(); // present but no number: not replaced
    const struct {
        const char* nom;
        QByteArray fichier; // null: lost
        ReglagesPort attendu;
    } cas[] = {
        {"the file lost", QByteArray(), defauts},
        {"some values", "[Port_s\xE9rie]\r\nPort= 4\r\nVitesse=14400\r\n", partiel},
        {"a value that is no number",
         "[Port_s\xE9rie]\r\nBit de donn\xE9"
         "e=huit\r\n",
         illisible},
    };
    for (const auto& c : cas) {
        DossierTest d;
        if (!c.fichier.isNull()) {
            d.Ecrit("PortSerie.ini", c.fichier);
        }
        EXPECT_TRUE(LitReglagesPort(d.Chemin(), DossierDefauts()) == c.attendu) << c.nom;
    }
}

TEST(ReglagesPort, WithoutAnySpeedTheDefaultSpeedsAreOffered) {
    DossierTest d;
    const QStringList livrees = LignesVitesse(DossierDefauts());
    ASSERT_EQ(livrees.size(), 16);
    EXPECT_EQ(livrees.front(), "75");
    EXPECT_EQ(LignesVitesse(d.Chemin(), DossierDefauts()), livrees); // Touche.ini lost
    d.Ecrit("Touche.ini", "[Vitesses]\r\n2=110\r\n");
    QStringList une(16);
    une[1] = "110";
    EXPECT_EQ(LignesVitesse(d.Chemin(), DossierDefauts()), une); // the file's own, however few
}

TEST(ReglagesPort, ANetworkAddressIsAcceptedWhereADevicePathIs) {
    const struct {
        const char* peripherique;
        const char* refus; // in the message of both checks; null: accepted
    } cas[] = {
        {"tcp://192.168.1.20:4001", nullptr},
        {"rfc2217://serveur-ports.local:2217", nullptr},
        {"TCP://[fe80::1%eth0]:2000", nullptr},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K3-if00-port0", nullptr},
        {"tcp://192.168.1.20", "L'adresse réseau « tcp://192.168.1.20 » ne peut pas servir : il "
                               "manque le port"},
        {"rfc2217://:2217", "le nom de l'hôte est vide"},
        {"tcp://hote:70000", "« 70000 » n'est pas un numéro de 1 à 65535"},
        {"tcp://[::1]2000", "entre crochets"},
        {"tcp://h\xC3\xB4te:2000", "« hôte » n'est pas valide"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.peripherique);
        const QString peripherique = QString::fromUtf8(c.peripherique);
        ReglagesPort r;
        r.peripherique = peripherique;
        const QString refus = RefusReglagesPort(r);

        DossierTest d;
        d.Ecrit("PortSerie.ini",
                QByteArray(kFichier).replace("PortActif=1", "PortActif=1\r\nPort=1"));
        DocumentProfil ini = DocumentProfil::Charge(d.Chemin("PortSerie.ini"));
        ASSERT_TRUE(ini.Ecrit(kSectionPort, "Peripherique", peripherique));
        const QString refusOuverture = RefusOuverturePort(ini);
        if (c.refus == nullptr) {
            EXPECT_EQ(refus, "");
            EXPECT_EQ(refusOuverture, "");
            // Written as typed, never resolved to another name.
            EcritReglagesPort(d.Chemin(), r, DossierDefauts());
            EXPECT_EQ(LireIni(d.Chemin("PortSerie.ini"), kSectionPort, "Peripherique"),
                      peripherique);
            EXPECT_TRUE(LitReglagesPort(d.Chemin()) == [&] {
                ReglagesPort lu = ReglagesLivres();
                lu.peripherique = peripherique;
                return lu;
            }());
        } else {
            EXPECT_TRUE(refus.contains(QString::fromUtf8(c.refus))) << refus.toStdString();
            EXPECT_EQ(refus, *ProblemeAdresseReseau(peripherique));
            EXPECT_EQ(refusOuverture, refus);
            const QByteArray avant = d.Lit("PortSerie.ini");
            EXPECT_THROW(EcritReglagesPort(d.Chemin(), r, DossierDefauts()), ErreurKovra);
            EXPECT_EQ(d.Lit("PortSerie.ini"), avant);
        }
    }
}

TEST(ReglagesPort, AdaptersGoByTheirStableNames) {
    DossierTest d;
    for (const char* nom : {"ttyS0", "ttyUSB0", "ttyUSB1", "ttyACM0"}) {
        d.Ecrit(nom, {});
    }
    QDir(d.Chemin()).mkdir("by-id");
    const QString parId = d.Chemin("by-id");
    const auto lien = [&](const QString& cible, const QString& nom) {
        ASSERT_TRUE(QFile::link(cible, parId + "/" + nom)) << nom.toStdString();
    };
    lien("../ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10K3-if00-port0");
    lien(d.Chemin("ttyACM0"), "usb-Opticon_OPN-2001-if00");
    // Two names for one adapter: the first by name is the one offered.
    lien("../ttyUSB1", "usb-Prolific_PL2303-if00-port0");
    lien("../ttyUSB1", "usb-Prolific_PL2303-if00-port0-bis");
    lien("../ttyUSB9", "usb-Debranche-if00-port0"); // its device gone
    const QList<PeripheriqueSerie> presents = {
        {d.Chemin("ttyS0"), ""},           {d.Chemin("ttyUSB0"), "FT232R USB UART"},
        {d.Chemin("ttyACM0"), "OPN-2001"}, {d.Chemin("ttyUSB1"), "USB-Serial Controller"},
        {"/dev/kovra-absent", "inconnu"},
    };
    const QList<PeripheriqueSerie> attendus = {
        {d.Chemin("ttyS0"), ""},
        {parId + "/usb-FTDI_FT232R_USB_UART_A10K3-if00-port0", "FT232R USB UART"},
        {parId + "/usb-Opticon_OPN-2001-if00", "OPN-2001"},
        {parId + "/usb-Prolific_PL2303-if00-port0", "USB-Serial Controller"},
        {"/dev/kovra-absent", "inconnu"},
    };
    EXPECT_EQ(AvecNomsStables(presents, parId), attendus);
    // No adapter plugged in: udev has not made the folder.
    EXPECT_EQ(AvecNomsStables(presents, d.Chemin("absent")), presents);
    EXPECT_EQ(
        LignesPort(attendus).mid(20),
        (QStringList{
            d.Chemin("ttyS0"),
            parId +
                QString::fromUtf8("/usb-FTDI_FT232R_USB_UART_A10K3-if00-port0 — FT232R USB UART"),
            parId + QString::fromUtf8("/usb-Opticon_OPN-2001-if00 — OPN-2001"),
            parId + QString::fromUtf8("/usb-Prolific_PL2303-if00-port0 — USB-Serial Controller"),
            QString::fromUtf8("/dev/kovra-absent — inconnu"),
            QString::fromUtf8("Adresse réseau…")}));
}
