// The port settings page, shown and clicked on a real X server, with a pseudo-terminal
// among the serial devices it offers.
#include "settings/PageProprietes.h"

#include "link/EtatLiaison.h"
#include "link/MSComm.h"
#include "link/OuverturePort.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/DossierTest.h"
#include "support/PseudoTerminal.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;
using kovra::test::PseudoTerminal;

namespace {

const char* const kListes[] = {"CboPort",  "CboVitesse", "CboDonnées", "CboParité",
                               "CboArret", "CboFlux",    "CboProtocol"};

// An adapter by its stable name.
const QString kParId = QStringLiteral("/dev/serial/by-id/usb-Opticon_OPN-2001_A1B2-if00");

// The port section as the settings window writes it.
const QByteArray kComplet = "[Port_s\xE9rie]\r\nPortActif=1\r\nPort= 3\r\nVitesse= 19200\r\n"
                            "Bit de donn\xE9"
                            "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\n"
                            "Protocol=PT630\r\nFlux= 2\r\n";

struct Page {
    DonneesTest t;
    PseudoTerminal terminal;
    std::unique_ptr<PageProprietes> page;

    // Opens the page on PortSerie.ini as given (none: as installed; empty: lost).
    explicit Page(const QByteArray& fichier = QByteArray()) {
        if (!fichier.isNull()) {
            t.dossier.Ecrit("donnees/PortSerie.ini", fichier);
        }
        if (fichier.isEmpty() && !fichier.isNull()) {
            QFile::remove(t.Chemin("PortSerie.ini"));
            QFile::remove(t.Chemin("Touche.ini"));
        }
        page = std::make_unique<PageProprietes>(t.donnees, kovra::test::DossierDefauts(), [this] {
            return QList<PeripheriqueSerie>{
                {terminal.Chemin(), ""}, {"/dev/ttyUSB0", "FT232R USB UART"}, {kParId, "OPN-2001"}};
        });
        page->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    }

    QComboBox* Liste(const char* nom) const {
        auto* liste = page->findChild<QComboBox*>(QString::fromUtf8(nom));
        EXPECT_NE(liste, nullptr) << nom;
        return liste;
    }
    QStringList Lignes(const char* nom) const {
        QStringList lignes;
        for (int i = 0; i < Liste(nom)->count(); ++i) {
            lignes << Liste(nom)->itemText(i);
        }
        return lignes;
    }
    // The text chosen in each list, "" for none.
    QStringList Choix() const {
        QStringList choix;
        for (const char* nom : kListes) {
            choix << (Liste(nom)->currentIndex() < 0 ? QString() : Liste(nom)->currentText());
        }
        return choix;
    }
    void Choisit(const char* nom, const QString& ligne) const {
        QComboBox* liste = Liste(nom);
        const int i = liste->findText(ligne);
        ASSERT_GE(i, 0) << nom << " " << ligne.toStdString();
        liste->setFocus();
        liste->setCurrentIndex(i);
    }
    void Clique(int bouton) const {
        auto* tlb = page->findChild<QToolBar*>("TlbPrpp");
        ASSERT_NE(tlb, nullptr);
        QTest::mouseClick(tlb->widgetForAction(tlb->actions()[bouton - 1]), Qt::LeftButton);
    }
};

// What names a list on the page: the title of its frame, then its label.
QStringList Legendes(QComboBox* liste) {
    QStringList legendes;
    if (auto* cadre = qobject_cast<QGroupBox*>(liste->parentWidget())) {
        legendes << cadre->title();
    }
    for (QLabel* libelle : liste->parentWidget()->findChildren<QLabel*>()) {
        if (libelle->buddy() == liste) {
            legendes << libelle->text();
        }
    }
    return legendes;
}

} // namespace

TEST(PageProprietes, OffersTheListsUnderTheirCaptions) {
    Page p;
    QStringList ports;
    for (int n = 1; n <= 20; ++n) {
        ports << QStringLiteral("COM %1").arg(n);
    }
    ports << p.terminal.Chemin() << QString::fromUtf8("/dev/ttyUSB0 — FT232R USB UART")
          << kParId + QString::fromUtf8(" — OPN-2001") << QString::fromUtf8("Adresse réseau…");
    const QString preference = QString::fromUtf8("Préférence de connection");
    const struct {
        const char* liste;
        QStringList lignes;
        QStringList legendes;
    } cas[] = {
        {"CboPort", ports, {"Port"}},
        {"CboVitesse",
         {"75", "110", "150", "300", "600", "1200", "1800", "2400", "4800", "9600", "19200",
          "38400", "57600", "115200", "230400", "460800"},
         {"Vitesse"}},
        {"CboDonnées",
         {"4", "5", "6", "7", "8"},
         {preference, QString::fromUtf8("Bits de données :")}},
        {"CboParité",
         {"Aucune", "Paire", "Impaire", "Marque", "Espace"},
         {preference, QString::fromUtf8("Parité :")}},
        {"CboArret", {"1", "1.5", "2"}, {preference, QString::fromUtf8("Bits d'arrêts :")}},
        {"CboFlux",
         {"Aucun", "Xon/Xoff", "RTS/CTS", "RTS & Xon"},
         {QString::fromUtf8("Contrôle de flux")}},
        {"CboProtocol", {"Optimus", "ScanPal", "HT630", "PT630"}, {"Protocol"}},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(p.Lignes(c.liste), c.lignes) << c.liste;
        EXPECT_EQ(Legendes(p.Liste(c.liste)), c.legendes) << c.liste;
    }

    auto* tlb = p.page->findChild<QToolBar*>("TlbPrpp");
    ASSERT_NE(tlb, nullptr);
    ASSERT_EQ(tlb->actions().size(), 2);
    EXPECT_EQ(tlb->actions()[0]->text(), "Valider");
    EXPECT_EQ(tlb->actions()[1]->text(), "Fermer");
    EXPECT_EQ(tlb->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_FALSE(tlb->actions()[0]->icon().isNull());
}

TEST(PageProprietes, OpensOnTheValuesOfTheFile) {
    const struct {
        const char* nom;
        QByteArray fichier; // null: as installed
        QStringList choix;  // in the order of kListes
    } cas[] = {
        {"as installed: no port, the other values shown",
         QByteArray(),
         {"", "9600", "8", "Aucune", "1", "Aucun", "HT630"}},
        {"every value", kComplet, {"COM 3", "19200", "7", "Paire", "1.5", "RTS/CTS", "PT630"}},
        {"values that match no line",
         "[Port_s\xE9rie]\r\nPort=21\r\nVitesse=14400\r\nBit de donn\xE9"
         "e=9\r\n"
         "Bit de parit\xE9=e\r\nBit d'arr\xEAt=1,5\r\nProtocol=ht630\r\nFlux=4\r\n",
         {"", "", "", "", "", "", ""}},
        {"a device not present now",
         QByteArray(kComplet).replace("Port= 3", "Port= 3\r\nPeripherique=/dev/ttyACM9"),
         {"/dev/ttyACM9", "19200", "7", "Paire", "1.5", "RTS/CTS", "PT630"}},
        {"a device present, the values the file lacks as installed",
         "[Port_s\xE9rie]\r\nPeripherique=/dev/ttyUSB0\r\nFlux=3\r\n",
         {QString::fromUtf8("/dev/ttyUSB0 — FT232R USB UART"), "9600", "8", "Aucune", "1",
          "RTS & Xon", "HT630"}},
        {"the file lost while Kovra runs: as installed",
         "",
         {"", "9600", "8", "Aucune", "1", "Aucun", "HT630"}},
    };
    for (const auto& c : cas) {
        Page p(c.fichier);
        EXPECT_EQ(p.Choix(), c.choix) << c.nom;
    }
}

TEST(PageProprietes, GivesTheLinesPickedWhichTheWindowStoresForThePort) {
    Page p;
    const QByteArray avant = p.t.dossier.Lit("donnees/PortSerie.ini");
    QSignalSpy valide(p.page.get(), &PageProprietes::valide);
    QSignalSpy ferme(p.page.get(), &PageProprietes::ferme);
    p.Choisit("CboPort", "COM 7");
    p.Choisit("CboPort", p.terminal.Chemin());
    p.Choisit("CboVitesse", "38400");
    p.Choisit("CboDonnées", "4");
    p.Choisit("CboParité", "Marque");
    p.Choisit("CboArret", "1.5");
    p.Choisit("CboFlux", "RTS & Xon");
    p.Choisit("CboProtocol", "ScanPal");
    ReglagesPort attendu;
    attendu.peripherique = p.terminal.Chemin();
    attendu.vitesse = "38400";
    attendu.bitsDonnees = 4;
    attendu.parite = QChar('M');
    attendu.arret = "1.5";
    attendu.flux = 3;
    attendu.protocole = "ScanPal";
    EXPECT_TRUE(p.page->Reglages() == attendu);
    // The page offers 4 data bits, which the port refuses when they are to be stored.
    EXPECT_TRUE(RefusReglagesPort(p.page->Reglages()).contains(QString::fromUtf8("4 bits")));
    p.Clique(1);
    p.Clique(2);
    EXPECT_EQ(valide.count(), 1);
    EXPECT_EQ(ferme.count(), 1);
    EXPECT_EQ(p.t.dossier.Lit("donnees/PortSerie.ini"), avant); // the page wrote nothing

    // Stored as the window does it, the line picked is the one the port opens.
    p.Choisit("CboDonnées", "7");
    p.Choisit("CboParité", "Impaire");
    p.Choisit("CboFlux", "Aucun");
    EcritReglagesPort(p.t.donnees, p.page->Reglages(), kovra::test::DossierDefauts());
    MSComm port;
    EtatLiaison liaison;
    EXPECT_EQ(OuvrePort(port, liaison, p.t.env), ResultatOuverture::Ouvert);
    EXPECT_EQ(port.NomPeripherique(), p.terminal.Chemin());
    EXPECT_EQ(port.Settings, "38400,O,7,1");
    EXPECT_EQ(liaison.TypeTerminal, GenreTerminal::ScanPal);
    Page autre(p.t.dossier.Lit("donnees/PortSerie.ini"));
    EXPECT_EQ(autre.Choix(), QStringList({p.terminal.Chemin(), "38400", "7", "Impaire", "1.5",
                                          "Aucun", "ScanPal"}));
}

TEST(PageProprietes, ANetworkAddressIsTypedUnderThePortList) {
    const QString adresse = QString::fromUtf8("Adresse réseau…");
    const auto avec = [](const QByteArray& peripherique) {
        return QByteArray(kComplet).replace("Port= 3", "Port= 3\r\nPeripherique=" + peripherique);
    };
    const struct {
        const char* nom;
        QByteArray fichier;
        QString ligne;                       // chosen in CboPort as the page opens
        QString champ;                       // in TxtAdresse
        bool visible;                        // TxtAdresse shown
        std::optional<QString> peripherique; // what the page gives
    } cas[] = {
        {"a COM port", kComplet, "COM 3", "", false, std::nullopt},
        {"an address", avec("tcp://10.0.0.5:4001"), adresse, "tcp://10.0.0.5:4001", true,
         "tcp://10.0.0.5:4001"},
        {"an address badly written, to be corrected", avec("RFC2217://serveur"), adresse,
         "RFC2217://serveur", true, "RFC2217://serveur"},
        {"an adapter by its stable name", avec(kParId.toUtf8()),
         kParId + QString::fromUtf8(" — OPN-2001"), "", false, kParId},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        Page p(c.fichier);
        auto* champ = p.page->findChild<QLineEdit*>("TxtAdresse");
        ASSERT_NE(champ, nullptr);
        EXPECT_EQ(p.Liste("CboPort")->currentText(), c.ligne);
        EXPECT_EQ(champ->text(), c.champ);
        EXPECT_EQ(champ->isVisible(), c.visible);
        EXPECT_EQ(p.page->Reglages().peripherique, c.peripherique);
    }

    Page p(kComplet);
    auto* champ = p.page->findChild<QLineEdit*>("TxtAdresse");
    ASSERT_NE(champ, nullptr);
    EXPECT_FALSE(champ->placeholderText().isEmpty());
    p.page->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.page.get()));
    p.Choisit("CboPort", adresse);
    EXPECT_TRUE(champ->isVisible());
    emit p.Liste("CboPort")->activated(p.Liste("CboPort")->currentIndex()); // as a click does
    EXPECT_TRUE(champ->hasFocus()); // the address is to be typed at once
    QTest::keyClicks(champ, " rfc2217://[fd00::12]:2217 ");
    EXPECT_EQ(p.page->Reglages().peripherique, "rfc2217://[fd00::12]:2217");
    EXPECT_EQ(p.page->Reglages().port, std::nullopt);
    EcritReglagesPort(p.t.donnees, p.page->Reglages(), kovra::test::DossierDefauts());
    EXPECT_EQ(LireIni(p.t.Chemin(kPortSerie), kSectionPort, "Peripherique"),
              "rfc2217://[fd00::12]:2217");
    p.Choisit("CboPort", "COM 4");
    EXPECT_FALSE(champ->isVisible());
    EXPECT_EQ(p.page->Reglages().port, 4);

    // A stable name chosen is written as it is, never as the device it points to.
    p.Choisit("CboPort", kParId + QString::fromUtf8(" — OPN-2001"));
    EcritReglagesPort(p.t.donnees, p.page->Reglages(), kovra::test::DossierDefauts());
    EXPECT_EQ(LireIni(p.t.Chemin(kPortSerie), kSectionPort, "Peripherique"), kParId);
}
