// kovra-cli doctor's checks on machines prepared in a folder: a data folder made from the
// defaults, a private registry, a pseudo-terminal or a fake device as the port, a prepared
// user and session. The real X and D-Bus probes run against Xvfb, trayer and a private bus.
#include "app/diagnostic/Diagnostic.h"
#include "app/diagnostic/SondesSysteme.h"
#include "link/OuverturePort.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "storage/GestionScenarios.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/PseudoTerminal.h"

#include <QDBusConnection>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTcpServer>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::DossierTest;
using kovra::test::PseudoTerminal;

namespace {

const QString kWatcher = "org.kde.StatusNotifierWatcher";

// A session whose answers the test sets.
struct SondesPreparees : SondesSession {
    std::map<QString, EtatAffichage> affichages;
    std::optional<bool> watcher; // nothing: no bus
    std::optional<EtatAffichage> Affichage(const QString& nom) override {
        const auto it = affichages.find(nom);
        return it == affichages.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<bool> NomSurBus(const QString&, const QString& nom) override {
        return nom == kWatcher ? watcher : std::nullopt;
    }
    // What the session's keyboard factory makes (XTest: no Wayland interface).
    EtatClavier clavier{"XTest (X11)", {}, {}};
    EtatClavier Clavier() override { return clavier; }
};

// A warehouse PC set up right: a keystroke scenario chosen and compiled, the port on a
// pseudo-terminal, an X11 display with XTest and a tray; the user is whoever runs the test.
struct Machine {
    Machine() {
        sondes.affichages[":7"] = {true, {"evdev", "pc105", "fr", "oss", ""}, true};
        env.insert("DISPLAY", ":7");
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/prepared");
        t.Scenario("Saisie", kTypeEmulation, {"&CODE", "{ENTER}"});
        t.registre.Ecrit(kRacScenChx, "Saisie");
        Port(terminal.Chemin());
    }
    void Port(const QString& peripherique) {
        const QString ini = t.Chemin(kPortSerie);
        EcrireIni(kSectionPort, "Port", "1", ini);
        EcrireIni(kSectionPort, "Peripherique", peripherique, ini);
        EcrireIni(kSectionPort, "Protocol", "HT630", ini);
    }
    // A device file the prepared user kovratest (not root) does not own.
    QString FauxPeripherique(QFile::Permissions mode) {
        const QString chemin = t.dossier.Chemin("ttyFAUX");
        t.dossier.Ecrit("ttyFAUX", {});
        QFile::setPermissions(chemin, mode);
        identite = {"kovratest", 4242, {4242}, {4242}};
        Port(chemin);
        return chemin;
    }
    std::vector<Constat> Diagnostic() {
        DescriptionPoste poste{dossier.isEmpty() ? t.donnees : dossier, env, identite, t.registre,
                               sondes};
        poste.dossiersVerrous = {verrous.Chemin()};
        poste.racinePeripheriques = peripheriques.Chemin();
        poste.dossierParId = parId.Chemin();
        poste.delaiReseauMs = 500;
        return Diagnostique(poste);
    }

    DonneesTest t;
    PseudoTerminal terminal;
    SondesPreparees sondes;
    QProcessEnvironment env;
    IdentiteUtilisateur identite = plateforme::IdentiteCourante();
    DossierTest verrous;
    DossierTest peripheriques; // where COM n is ttyS<n-1>
    DossierTest parId;         // the stable names of USB adapters
    QString dossier;           // another data folder than t's
};

std::optional<Constat> Sur(const std::vector<Constat>& constats, const QString& sujet) {
    for (const Constat& c : constats) {
        if (c.sujet == sujet) {
            return c;
        }
    }
    return std::nullopt;
}

std::string Texte(const std::vector<Constat>& constats) {
    QString t;
    for (const Constat& c : constats) {
        t += LigneConstat(c) + "\n";
    }
    return t.toStdString();
}

qint64 PidMort() {
    QProcess p;
    p.start("true");
    p.waitForStarted();
    const qint64 pid = p.processId();
    p.waitForFinished();
    return pid;
}

QString Groupe(const QString& chemin) {
    return QFileInfo(chemin).group();
}

// Every file of a folder with its bytes.
std::map<QString, QByteArray> Contenu(const QString& dossier) {
    std::map<QString, QByteArray> contenu;
    QDirIterator it(dossier, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        contenu[f.fileName()] = f.readAll();
    }
    return contenu;
}

} // namespace

TEST(Diagnostic, AWellSetUpMachinePassesAndStaysAsItWas) {
    Machine m;
    const auto avant = Contenu(m.t.donnees);
    const std::vector<Constat> constats = m.Diagnostic();
    EXPECT_FALSE(AEchoue(constats)) << Texte(constats);
    QStringList sujets;
    for (const Constat& c : constats) {
        sujets << c.sujet;
        // Only the transfer library, which no test machine has, is worth a note.
        EXPECT_EQ(c.niveau == Niveau::Ok, c.sujet != "transfer library") << Texte(constats);
    }
    EXPECT_EQ(sujets,
              (QStringList{"data folder", "PortSerie.ini", "Touche.ini", "Corres.ini", "TouFic.ini",
                           "scenario database", "chosen scenario", "kept data", "instance lock",
                           "serial port", "X11 display", "Wayland session", "typing",
                           "keyboard layout", "notification area", "transfer library"}));
    EXPECT_EQ(LigneConstat(*Sur(constats, "serial port")),
              QString("ok    serial port: %1 (COM 1, HT630) opens for user %2")
                  .arg(m.terminal.Chemin(), m.identite.nom));
    EXPECT_EQ(Sur(constats, "keyboard layout")->texte, "fr, variant oss, model pc105");
    EXPECT_EQ(Contenu(m.t.donnees), avant);
}

TEST(Diagnostic, NamesWhatIsInTheWayAndItsFix) {
    const struct {
        const char* nom;
        std::function<void(Machine&)> prepare;
        const char* sujet;
        Niveau niveau;
        // texts the finding holds; %1 stands for the group owning the fake device
        QStringList dit;
    } cas[] = {
        {"the device is missing",
         [](Machine& m) { m.Port("/dev/kovra-absent"); },
         "serial port",
         Niveau::Echec,
         {"/dev/kovra-absent is not there", "kovra-cli port list"}},
        {"the user may not open the device, its group may",
         [](Machine& m) {
             m.FauxPeripherique(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                QFile::WriteGroup);
         },
         "serial port",
         Niveau::Echec,
         {"cannot be opened by user kovratest (permission denied)",
          "Fix: sudo usermod -aG %1 kovratest, then log out and in again."}},
        {"the user joined the group after logging in",
         [](Machine& m) {
             m.FauxPeripherique(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                QFile::WriteGroup);
             m.identite.groupesCompte << getegid();
         },
         "serial port",
         Niveau::Echec,
         {"(permission denied)", "was added to group %1 after this session started",
          "log out and in again"}},
        {"only the owner may open the device",
         [](Machine& m) { m.FauxPeripherique(QFile::ReadOwner | QFile::WriteOwner); },
         "serial port",
         Niveau::Echec,
         {"(permission denied)", "Only its owner", "MODE=\"0660\""}},
        {"another program holds the device",
         [](Machine& m) {
             const QString nom = m.terminal.Chemin().mid(5).replace('/', '_');
             m.verrous.Ecrit("LCK.." + nom, QByteArray::number(getpid()).rightJustified(10) + "\n");
         },
         "serial port",
         Niveau::Echec,
         {"is held by another program (process"}},
        {"a lock file of a program that ended",
         [](Machine& m) {
             const QString nom = QFileInfo(m.terminal.Chemin()).fileName();
             m.verrous.Ecrit("LCK.." + nom, QByteArray::number(PidMort()) + "\n");
         },
         "serial port",
         Niveau::Ok,
         {"opens for user", "is taken over"}},
        {"the port is off",
         [](Machine& m) { EcrireIni(kSectionPort, "PortActif", "0", m.t.Chemin(kPortSerie)); },
         "serial port",
         Niveau::Note,
         {"PortActif=0"}},
        {"no port configured",
         [](Machine& m) { EcrireIni(kSectionPort, "Port", "", m.t.Chemin(kPortSerie)); },
         "serial port",
         Niveau::Echec,
         {"none is configured", "kovra-cli port set"}},
        {"PortActif that is not a number",
         [](Machine& m) { EcrireIni(kSectionPort, "PortActif", "oui", m.t.Chemin(kPortSerie)); },
         "serial port",
         Niveau::Echec,
         {"PortActif in", "is not a number", "ini set PortSerie.ini Port_série PortActif 1"}},
        {"a port number that is not a number",
         [](Machine& m) { EcrireIni(kSectionPort, "Port", "COM1", m.t.Chemin(kPortSerie)); },
         "serial port",
         Niveau::Echec,
         {"Port in", "is not a number", "--com N"}},
        {"a port number and no device",
         [](Machine& m) {
             EcrireIni(kSectionPort, "Port", "3", m.t.Chemin(kPortSerie));
             EcrireIni(kSectionPort, "Peripherique", "", m.t.Chemin(kPortSerie));
         },
         "serial port",
         Niveau::Echec,
         {"/ttyS2 is not there"}},
        {"a port number with decimals, no terminal type",
         [](Machine& m) {
             EcrireIni(kSectionPort, "Port", "1.5", m.t.Chemin(kPortSerie));
             EcrireIni(kSectionPort, "Protocol", "", m.t.Chemin(kPortSerie));
         },
         "serial port",
         Niveau::Ok,
         {"(COM 1, no terminal type) opens for user"}},
        {"a Kovra that ended left its lock",
         [](Machine& m) {
             m.t.dossier.Ecrit("donnees/kovra.lock", QByteArray::number(PidMort()) + "\nkovra\n" +
                                                         QSysInfo::machineHostName().toUtf8() +
                                                         "\n");
         },
         "instance lock",
         Niveau::Note,
         {"has ended: the next start takes it over"}},
        {"the lock of a Kovra on another machine",
         [](Machine& m) { m.t.dossier.Ecrit("donnees/kovra.lock", "12\nkovra\nautre-poste\n"); },
         "instance lock",
         Niveau::Echec,
         {"on machine autre-poste", "delete"}},
        {"no display for a keystroke scenario",
         [](Machine& m) { m.env.remove("DISPLAY"); },
         "X11 display",
         Niveau::Echec,
         {"DISPLAY is not set", "Fix: run Kovra in"}},
        {"no display for a file scenario",
         [](Machine& m) {
             m.t.Scenario("Stock", kTypeFichier, {"&CODE"}, "/tmp/stock.txt");
             m.t.registre.Ecrit(kRacScenChx, "Stock");
             m.env.remove("DISPLAY");
         },
         "X11 display",
         Niveau::Note,
         {"DISPLAY is not set", "Only keystroke scenarios"}},
        {"a display without XTest",
         [](Machine& m) { m.sondes.affichages[":7"].xtest = false; },
         "X11 display",
         Niveau::Echec,
         {"lacks the XTest extension"}},
        {"a display that cannot be opened",
         [](Machine& m) { m.env.insert("DISPLAY", ":9"); },
         "X11 display",
         Niveau::Echec,
         {"DISPLAY=:9 cannot be opened"}},
        {"a Wayland desktop that offers Kovra no interface: XWayland only",
         [](Machine& m) { m.env.insert("XDG_SESSION_TYPE", "wayland"); },
         "typing",
         Niveau::Echec,
         {"only X11 (XWayland) windows receive", "Fix: on GNOME, GNOME 43 or later"}},
        {"a Wayland desktop without any way to type, for a file scenario",
         [](Machine& m) {
             m.t.Scenario("Stock", kTypeFichier, {"&CODE"}, "/tmp/stock.txt");
             m.t.registre.Ecrit(kRacScenChx, "Stock");
             m.env.insert("WAYLAND_DISPLAY", "wayland-0");
             m.env.remove("DISPLAY");
             m.sondes.clavier = {{}, {}, "Le bureau n'offre rien"};
         },
         "typing",
         Niveau::Note,
         {"Kovra cannot type (Le bureau n'offre rien)", "Only keystroke scenarios"}},
        {"a wlroots desktop",
         [](Machine& m) {
             m.env.insert("WAYLAND_DISPLAY", "wayland-1");
             m.env.remove("DISPLAY");
             m.sondes.clavier = {"zwp_virtual_keyboard_v1 (wlroots)", {}, {}};
         },
         "typing",
         Niveau::Ok,
         {"zwp_virtual_keyboard_v1 (wlroots): any character"}},
        {"KDE Plasma on a French layout, no XWayland",
         [](Machine& m) {
             m.env.insert("WAYLAND_DISPLAY", "wayland-0");
             m.env.remove("DISPLAY");
             m.sondes.clavier = {"org_kde_kwin_fake_input (KDE Plasma)", "fr", {}};
         },
         "X11 display",
         Niveau::Note,
         {"DISPLAY is not set", "only X11 (XWayland) windows need it"}},
        {"KDE Plasma on a French layout",
         [](Machine& m) {
             m.env.insert("WAYLAND_DISPLAY", "wayland-0");
             m.sondes.clavier = {"org_kde_kwin_fake_input (KDE Plasma)", "fr", {}};
         },
         "typing",
         Niveau::Ok,
         {"org_kde_kwin_fake_input (KDE Plasma): the characters of layout fr"}},
        {"no notification area",
         [](Machine& m) { m.sondes.affichages[":7"].zoneNotification = false; },
         "notification area",
         Niveau::Note,
         {"no X11 system tray, no session bus", "gnome-shell-extension-appindicator"}},
        {"a StatusNotifier host instead of a tray",
         [](Machine& m) {
             m.sondes.affichages[":7"].zoneNotification = false;
             m.sondes.watcher = true;
         },
         "notification area",
         Niveau::Ok,
         {kWatcher}},
        {"a settings file in an unknown encoding",
         [](Machine& m) {
             m.t.dossier.Ecrit("donnees/Touche.ini", "[Particuliere]\r\nF1=\x81\r\n");
         },
         "Touche.ini",
         Niveau::Echec,
         {"unknown encoding"}},
        {"a settings file in UTF-8",
         [](Machine& m) { m.t.dossier.Ecrit("donnees/Corres.ini", "[Correspondance]\nF1=é\n"); },
         "Corres.ini",
         Niveau::Ok,
         {"UTF-8"}},
        {"a settings file in Windows-1252",
         [](Machine& m) { m.t.dossier.Ecrit("donnees/TouFic.ini", "[Touches]\r\n1=\xe9\r\n"); },
         "TouFic.ini",
         Niveau::Ok,
         {"Windows-1252"}},
        {"a settings file missing",
         [](Machine& m) { QFile::remove(m.t.Chemin(kTouFic)); },
         "TouFic.ini",
         Niveau::Note,
         {"puts the default one back"}},
        {"a table missing",
         [](Machine& m) { test::ExecuteSql(m.t.Chemin(kScenDb), {"DROP TABLE Increment"}); },
         "scenario database",
         Niveau::Echec,
         {"lacks table Increment"}},
        {"a database that is no database",
         [](Machine& m) { m.t.dossier.Ecrit("donnees/Scen.db", QByteArray(4096, 'x')); },
         "scenario database",
         Niveau::Echec,
         {"cannot be read as a scenario database"}},
        {"no scenario chosen",
         [](Machine& m) { m.t.registre.Ecrit(kRacScenChx, ""); },
         "chosen scenario",
         Niveau::Echec,
         {"none is chosen", "registry set RacScenChx"}},
        {"the chosen scenario is gone",
         [](Machine& m) { m.t.registre.Ecrit(kRacScenChx, "Disparu"); },
         "chosen scenario",
         Niveau::Echec,
         {"\"Disparu\" is neither in the database nor compiled"}},
        {"received data put away undelivered",
         [](Machine& m) {
             m.t.dossier.Ecrit("donnees/conservees/ht630-20260101.tmp", "A100\r");
             m.t.dossier.Ecrit("donnees/conservees/nonlivree-20260102.tmp", "B200\r");
         },
         "kept data",
         Niveau::Note,
         {"2 files of received data", "/conservees", "may be incomplete",
          "kovra-cli process --scenario NAME --frame FILE --deliver", "then delete the file"}},
        {"a frame refused since the last start, beside one put away",
         [](Machine& m) {
             m.t.dossier.Ecrit("donnees/conservees/ht630-20260101.tmp", "A100\r");
             m.t.dossier.Ecrit("donnees/nonlivree-20260103.tmp", "C300\r");
             m.t.dossier.Ecrit("donnees/nonlivree-20260104.tmp", ""); // nothing in it
         },
         "kept data",
         Niveau::Note,
         {"2 files of received data", "/conservees and ", "donnees (nonlivree-*.tmp)"}},
        {"one file put away undelivered",
         [](Machine& m) { m.t.dossier.Ecrit("donnees/conservees/1765000000.tmp", "A100\r"); },
         "kept data",
         Niveau::Note,
         {"1 file of received data"}},
        {"the chosen scenario not compiled yet",
         [](Machine& m) { QFile::remove(m.t.Chemin("Scenarios/Saisie.ini")); },
         "chosen scenario",
         Niveau::Note,
         {"compiles it at its next start"}},
    };
    for (const auto& c : cas) {
        Machine m;
        c.prepare(m);
        const std::vector<Constat> constats = m.Diagnostic();
        const auto constat = Sur(constats, c.sujet);
        ASSERT_TRUE(constat) << c.nom << "\n" << Texte(constats);
        EXPECT_EQ(constat->niveau, c.niveau) << c.nom << "\n" << Texte(constats);
        for (const QString& d : c.dit) {
            const QString texte =
                d.contains("%1") ? d.arg(Groupe(m.t.dossier.Chemin("ttyFAUX"))) : d;
            EXPECT_TRUE(constat->texte.contains(texte)) << c.nom << ": " << d.toStdString() << "\n"
                                                        << Texte(constats);
        }
        // Only failures fail the whole diagnosis.
        EXPECT_EQ(AEchoue(constats), c.niveau == Niveau::Echec) << c.nom << "\n" << Texte(constats);
    }
}

TEST(Diagnostic, AKovraRunningOnTheFolderHasThePortAndIsLeftAlone) {
    Machine m;
    QLockFile verrou(m.t.Chemin("kovra.lock"));
    ASSERT_TRUE(verrou.tryLock(0));
    const std::vector<Constat> constats = m.Diagnostic();
    EXPECT_FALSE(AEchoue(constats)) << Texte(constats);
    const QString pid = QString::number(QCoreApplication::applicationPid());
    EXPECT_TRUE(Sur(constats, "instance lock")
                    ->texte.contains("Kovra runs on this data folder "
                                     "(process " +
                                     pid));
    EXPECT_TRUE(Sur(constats, "serial port")->texte.contains("is Kovra's while it runs"));
}

namespace {

// The lines about the port.
QStringList LignesPort(const std::vector<Constat>& constats) {
    QStringList lignes;
    for (const Constat& c : constats) {
        if (c.sujet == "serial port") {
            lignes << LigneConstat(c);
        }
    }
    return lignes;
}

} // namespace

TEST(Diagnostic, AnAdapterByItsStableNameIsPresentOrToBePluggedIn) {
    Machine m;
    const QString branche = m.parId.Chemin("usb-FTDI_FT232R_USB_UART_A10K3-if00-port0");
    const QString debranche = m.parId.Chemin("usb-Prolific_PL2303-if00-port0");
    const QString perdu = m.parId.Chemin("usb-Opticon_OPN-2001-if00");
    ASSERT_TRUE(QFile::link(m.terminal.Chemin(), branche));
    ASSERT_TRUE(QFile::link(m.parId.Chemin("ttyUSB7"), perdu)); // its device gone
    const QString absent = QString("FAIL  serial port: %1 is not there: the adapter it names is "
                                   "not plugged in. Fix: plug the adapter in; ls %2 shows the "
                                   "names of the adapters present.");
    const struct {
        QString peripherique;
        QStringList lignes;
    } cas[] = {
        {branche,
         {QString("ok    serial port: %1 is present: the adapter is plugged in, as %2")
              .arg(branche, m.terminal.Chemin()),
          QString("ok    serial port: %1 (COM 1, HT630) opens for user %2")
              .arg(branche, m.identite.nom)}},
        {debranche, {absent.arg(debranche, m.parId.Chemin())}},
        {perdu, {absent.arg(perdu, m.parId.Chemin())}},
    };
    for (const auto& c : cas) {
        m.Port(c.peripherique);
        EXPECT_EQ(LignesPort(m.Diagnostic()), c.lignes);
    }
}

TEST(Diagnostic, ANetworkAddressIsCheckedThenTriedWithNoDeviceFileLookedFor) {
    const QString fautive = "FAIL  serial port: %1 is not a valid network address. Fix: write it "
                            "as tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (RFC 2217), PORT "
                            "from 1 to 65535 and an IPv6 address in brackets (tcp://[::1]:2000), "
                            "in the settings window or with kovra-cli port set --device ADDRESS.";
    QTcpServer serveur; // accepts, and never says a word
    ASSERT_TRUE(serveur.listen(QHostAddress::LocalHost));
    const QString ecoute = QString::number(serveur.serverPort());
    quint16 libre = 0;
    {
        QTcpServer s;
        s.listen(QHostAddress::LocalHost);
        libre = s.serverPort();
    }
    const QString ferme = QString::number(libre);
    const struct {
        QString peripherique;
        bool kovraTourne;
        QStringList lignes;
    } cas[] = {
        {"tcp://127.0.0.1:" + ecoute,
         false,
         {"ok    serial port: terminal on the network at 127.0.0.1:" + ecoute + " (raw TCP), HT630",
          "ok    serial port: tcp://127.0.0.1:" + ecoute + " answers"}},
        {"RFC2217://127.0.0.1:" + ecoute,
         false,
         {"ok    serial port: terminal on the network at 127.0.0.1:" + ecoute +
              " (RFC 2217), HT630",
          "FAIL  serial port: rfc2217://127.0.0.1:" + ecoute +
              ": the server does not answer the RFC 2217 option within 0.5 s. Fix: is it an RFC "
              "2217 server? Otherwise use tcp://."}},
        {"tcp://127.0.0.1:" + ferme,
         false,
         {"ok    serial port: terminal on the network at 127.0.0.1:" + ferme + " (raw TCP), HT630",
          "FAIL  serial port: tcp://127.0.0.1:" + ferme +
              ": the connection is refused: nothing listens on that port of the server. Fix: "
              "check the port number and that the server (ser2net) runs."}},
        {"tcp://serveur", false, {fautive.arg("tcp://serveur")}},
        {"rfc2217://serveur:99999", false, {fautive.arg("rfc2217://serveur:99999")}},
        // The live probe would take the connection from Kovra: not tried.
        {"rfc2217://serveur-ports:2217",
         true,
         {"ok    serial port: terminal on the network at serveur-ports:2217 (RFC 2217), HT630",
          "ok    serial port: rfc2217://serveur-ports:2217 is Kovra's while it runs (process " +
              QString::number(QCoreApplication::applicationPid())}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.peripherique.toStdString());
        Machine m;
        m.Port(c.peripherique);
        QLockFile verrou(m.t.Chemin("kovra.lock"));
        if (c.kovraTourne) {
            ASSERT_TRUE(verrou.tryLock(0));
        }
        const std::vector<Constat> constats = m.Diagnostic();
        QStringList lignes = LignesPort(constats);
        if (c.kovraTourne && lignes.size() == 2) {
            lignes[1] = lignes[1].left(lignes[1].indexOf(','));
        }
        EXPECT_EQ(lignes, c.lignes);
        EXPECT_EQ(AEchoue(constats), c.lignes.last().startsWith("FAIL"));
    }
}

TEST(Diagnostic, TheLockOfAKovraOnAnotherMachineStopsBeforeThePort) {
    Machine m;
    m.t.dossier.Ecrit("donnees/kovra.lock", "12\nkovra\nautre-poste\n");
    const std::vector<Constat> constats = m.Diagnostic();
    ASSERT_TRUE(Sur(constats, "instance lock")) << Texte(constats);
    EXPECT_FALSE(Sur(constats, "serial port")) << Texte(constats);
}

TEST(Diagnostic, AMissingDataFolderIsReportedNotCreated) {
    Machine m;
    m.dossier = m.t.dossier.Chemin("ailleurs");
    const std::vector<Constat> constats = m.Diagnostic();
    EXPECT_TRUE(AEchoue(constats));
    EXPECT_EQ(constats.front().niveau, Niveau::Echec);
    EXPECT_TRUE(constats.front().texte.contains("does not exist. Fix: start Kovra"));
    EXPECT_FALSE(Sur(constats, "serial port")) << "nothing of the folder is looked into";
    EXPECT_TRUE(Sur(constats, "X11 display"));
    EXPECT_FALSE(QFileInfo::exists(m.dossier));
}

// The real probes: the Xvfb server the test runs under, trayer as the notification area, a
// private D-Bus bus.
TEST(Diagnostic, RealProbesSeeTheDisplayTheTrayAndTheBus) {
    const QString affichage = qEnvironmentVariable("DISPLAY");
    ASSERT_FALSE(affichage.isEmpty()) << "runs under xvfb-run";
    SondesSysteme sondes;
    EXPECT_FALSE(sondes.Affichage(":4242"));
    const auto sans = sondes.Affichage(affichage);
    ASSERT_TRUE(sans);
    EXPECT_TRUE(sans->xtest);
    EXPECT_GE(sans->clavier.size(), 3) << "rules, model, layout";
    EXPECT_FALSE(sans->zoneNotification);
    // An X11 session (no WAYLAND_DISPLAY here): the keyboard is XTest's.
    EXPECT_EQ(sondes.Clavier().nom, "XTest (X11)");

    QProcess trayer;
    trayer.start("trayer",
                 {"--edge", "bottom", "--widthtype", "pixel", "--width", "100", "--height", "24"});
    ASSERT_TRUE(trayer.waitForStarted());
    EXPECT_TRUE(AttendQue([&] { return sondes.Affichage(affichage)->zoneNotification; }, 10000));
    trayer.kill();
    trayer.waitForFinished();

    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    const QString adresse = QString::fromUtf8(bus.readLine()).trimmed();
    EXPECT_EQ(sondes.NomSurBus(adresse, kWatcher), false);
    {
        QDBusConnection hote = QDBusConnection::connectToBus(adresse, "hote");
        ASSERT_TRUE(hote.registerService(kWatcher));
        EXPECT_EQ(sondes.NomSurBus(adresse, kWatcher), true);
    }
    QDBusConnection::disconnectFromBus("hote");
    bus.kill();
    bus.waitForFinished();
    EXPECT_FALSE(sondes.NomSurBus("unix:path=/nonexistent/bus", kWatcher));
}
