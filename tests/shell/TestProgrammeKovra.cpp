// The tray program as a user meets it: its load sequence on fresh and broken data folders,
// its tip and icon, the menu window and what each entry does. Real widgets under Xvfb, the
// port on a pseudo-terminal, scripted dialogues answering every box.
#include "keyboard/ClavierEnregistreur.h"
#include "link/Acquisition.h"
#include "settings/FenetreChoixCom.h"
#include "shell/ProgrammeKovra.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/FichierProfil.h"
#include "storage/GestionScenarios.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/MinuterieManuelle.h"
#include "support/PortsLocaux.h"
#include "support/PseudoTerminal.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::MinuterieManuelle;
using kovra::test::PseudoTerminal;

namespace {

// The windows of the program that are on screen, of one class.
template <typename Fenetre> QList<Fenetre*> Visibles() {
    QList<Fenetre*> l;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* f = dynamic_cast<Fenetre*>(w); f != nullptr && f->isVisible()) {
            l << f;
        }
    }
    return l;
}

struct Poste {
    explicit Poste(bool avecTray = false) : tray(avecTray) {}

    // A file scenario in the database, compiled and made the chosen one.
    void Scenario(const QString& nom) {
        t.Scenario(nom, kTypeFichier, {"&CODE", ";", "&QTY", "&PASSLIGNE"},
                   t.dossier.Chemin("sortie.txt"));
        t.registre.Ecrit(kRacScenChx, nom);
    }
    void Port(const QString& protocole, const QString& peripherique = QString()) {
        const QString ini = t.Chemin(kPortSerie);
        EcrireIni(kSectionPort, "Port", "1", ini);
        EcrireIni(kSectionPort, "Peripherique",
                  peripherique.isEmpty() ? terminal.Chemin() : peripherique, ini);
        EcrireIni(kSectionPort, "Protocol", protocole, ini);
    }
    ProgrammeKovra& Programme() {
        if (!programme) {
            ServicesProgramme services{t.donnees,
                                       t.registre,
                                       t.dialogues,
                                       minuterie,
                                       progression,
                                       creeClavier,
                                       [this] { ouvertures << "about"; },
                                       [this] { ouvertures << "import"; },
                                       [this](const QString& f) { ouvertures << "importe " + f; },
                                       [this] { ouvertures << "parametrage"; },
                                       [this] { return tray; },
                                       [this](int s) { statut = s; },
                                       identite};
            services.clavierAuDemarrage = clavierAuDemarrage;
            services.limiteClavier = limiteClavier;
            programme = std::make_unique<ProgrammeKovra>(services);
        }
        return *programme;
    }

    bool tray;
    std::function<std::unique_ptr<ClavierVirtuel>()> creeClavier = [] {
        return std::unique_ptr<ClavierVirtuel>(new ClavierEnregistreur);
    };
    bool clavierAuDemarrage = false;
    std::function<QString(const ClavierVirtuel&)> limiteClavier = [](const ClavierVirtuel&) {
        return QString();
    };
    DonneesTest t;
    PseudoTerminal terminal;
    MinuterieManuelle minuterie;
    ProgressionMuette progression;
    QStringList ouvertures;
    std::optional<int> statut;
    std::unique_ptr<ProgrammeKovra> programme;
    IdentiteUtilisateur identite = plateforme::IdentiteCourante();
};

QString Bulle(const QString& etat, const QString& scenario) {
    return TexteInfoBulle(1, scenario, etat);
}

} // namespace

TEST(ProgrammeKovra, LoadsOnFreshAndBrokenDataFolders) {
    const struct {
        const char* nom;
        std::function<void(Poste&)> prepare;
        bool demarre;
        QStringList messages; // a message starting so
        QString bulle;
    } cas[] = {
        {"a fresh folder: no port yet, no scenario",
         [](Poste&) {},
         true,
         {"Aucun scénario n'est défini", "Veuillez configurer les paramétres de communication."},
         Bulle("Fermé", "Aucun scénario choisi")},
        {"the port in use on a terminal, a scenario named with an apostrophe",
         [](Poste& p) {
             p.Scenario("L'entrée");
             p.Port("HT630");
         },
         true,
         {},
         Bulle("Ouvert", "L'entrée")},
        {"the port not in use",
         [](Poste& p) {
             p.Scenario("Stock");
             EcrireIni(kSectionPort, "PortActif", "0", p.t.Chemin(kPortSerie));
         },
         true,
         {},
         Bulle("Fermé", "Stock")},
        {"the chosen scenario no longer exists",
         [](Poste& p) {
             p.Port("HT630");
             p.t.registre.Ecrit(kRacScenChx, "Disparu");
         },
         true,
         {"Aucun scénario n'est défini"},
         Bulle("Ouvert", "Aucun scénario choisi")},
        {"the port's device is missing",
         [](Poste& p) {
             p.Scenario("Stock");
             p.Port("PT630", "/dev/kovra-absent");
         },
         true,
         {},
         Bulle("Fermé", "Stock")},
        {"a database that cannot be read",
         [](Poste& p) { p.t.dossier.Ecrit("donnees/Scen.db", QByteArray(4096, 'x')); },
         false,
         {"Erreur N° : "},
         QString()},
        {"a port setting that is no number",
         [](Poste& p) {
             p.Scenario("Stock");
             p.Port("HT630");
             EcrireIni(kSectionPort, "Vitesse", "rapide", p.t.Chemin(kPortSerie));
         },
         false,
         {"Erreur N° : 13\r\n\r\nPortSerie.ini : la valeur « rapide » de « Vitesse » n'est pas "
          "un nombre.\r\n\r\nL'application va se fermer."},
         QString()},
    };
    for (const auto& c : cas) {
        Poste p(true);
        c.prepare(p);
        EXPECT_EQ(p.Programme().Demarre(), c.demarre) << c.nom;
        const QStringList messages = p.t.dialogues.Messages();
        ASSERT_EQ(messages.size(), c.messages.size()) << c.nom << messages.join('|').toStdString();
        for (int i = 0; i < messages.size(); ++i) {
            EXPECT_TRUE(messages[i].startsWith(c.messages[i]))
                << c.nom << messages[i].toStdString();
        }
        if (!c.demarre) {
            EXPECT_TRUE(messages.back().endsWith("L'application va se fermer.")) << c.nom;
            EXPECT_EQ(p.t.dialogues.Journal().back().icone, Icone::Critique) << c.nom;
            EXPECT_EQ(p.Programme().Icone(), nullptr) << c.nom;
            continue;
        }
        ASSERT_NE(p.Programme().Icone(), nullptr) << c.nom;
        EXPECT_EQ(p.Programme().Icone()->toolTip(), c.bulle) << c.nom;
        EXPECT_EQ(p.Programme().TexteBulle().size(), 64) << c.nom;
        // The port choice comes up, without holding the program, only for a missing device.
        const QList<FenetreChoixCom*> choix = Visibles<FenetreChoixCom>();
        EXPECT_EQ(choix.size(), QString(c.nom).contains("missing") ? 1 : 0) << c.nom;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The settings window comes up when no port is chosen yet.
        EXPECT_EQ(p.ouvertures.contains("parametrage"), QString(c.nom).contains("fresh")) << c.nom;
        for (FenetreChoixCom* f : choix) {
            EXPECT_FALSE(f->isModal());
            // The port chosen is tried at once; COM 20 is there on no test machine.
            f->CboChoix->setCurrentIndex(f->CboChoix->findText("Com20"));
            QTest::mouseClick(f->CmdOK, Qt::LeftButton);
            EXPECT_EQ(LireIni(p.t.Chemin(kPortSerie), kSectionPort, "Port"), "20") << c.nom;
            EXPECT_TRUE(
                p.t.dialogues.Messages().last().startsWith("Le port n'a pas pu être ouvert : "))
                << c.nom;
        }
    }
}

TEST(ProgrammeKovra, APortTheUserMayNotOpenSaysWhoMayAndHow) {
    // A device file of another user's group; the program runs as a user outside it, which
    // holds also when the tests run as root.
    const struct {
        QFile::Permissions mode;
        QString conseil; // %1 the device's group, %2 its owner
    } cas[] = {
        {QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup,
         "Pour l'autoriser : sudo usermod -aG %1 magasin puis fermer la session et la rouvrir."},
        {QFile::ReadOwner | QFile::WriteOwner,
         "Seul son propriétaire (%2) y a accès : un administrateur doit donner au groupe %1 la "
         "lecture et l'écriture (une règle udev avec GROUP=\"%1\" et MODE=\"0660\")."},
    };
    for (const auto& c : cas) {
        Poste p(true);
        p.Scenario("Stock");
        const QString peripherique = p.t.dossier.Chemin("ttyUSB0");
        p.t.dossier.Ecrit("ttyUSB0", {});
        QFile::setPermissions(peripherique, c.mode);
        p.Port("HT630", peripherique);
        p.identite = {"magasin", 4242, {4242}, {4242}};
        const QString attendu =
            "Le port " + peripherique +
            " ne peut pas être ouvert par l'utilisateur magasin : permission "
            "refusée.\r\n" +
            c.conseil.arg(QFileInfo(peripherique).group(), QFileInfo(peripherique).owner());
        ASSERT_TRUE(p.Programme().Demarre());
        EXPECT_EQ(p.t.dialogues.Messages(), QStringList{attendu});
        EXPECT_EQ(p.t.dialogues.Journal().back().genre, DialoguesScriptes::Genre::Avis);
        // The same port chosen again in the port choice: the same advice.
        const QList<FenetreChoixCom*> choix = Visibles<FenetreChoixCom>();
        ASSERT_EQ(choix.size(), 1);
        choix.front()->CboChoix->setCurrentIndex(0);
        QTest::mouseClick(choix.front()->CmdOK, Qt::LeftButton);
        EXPECT_EQ(p.t.dialogues.Messages(), (QStringList{attendu, attendu}));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(ProgrammeKovra, OnAWaylandDesktopTheKeyboardIsMadeAtStartAndWhatKeepsItFromTypingIsSaidOnce) {
    const struct {
        const char* cas;
        bool auDemarrage;
        bool echoue;
        QString limite;
        int cles;            // keyboards made at start
        const char* message; // what the user is told, or nothing
    } cas[] = {
        {"X11: made for the first frame", false, false, {}, 0, nullptr},
        {"Wayland, a backend", true, false, {}, 1, nullptr},
        {"Wayland, XWayland only", true, false, "seules les applications X11", 1,
         "seules les applications X11"},
        {"Wayland, nothing",
         true,
         true,
         {},
         1,
         "Kovra ne peut pas taper dans cette session Wayland : aucun moyen. Les trames des "
         "scénarios qui tapent au clavier seront conservées sans être tapées."},
    };
    for (const auto& k : cas) {
        SCOPED_TRACE(k.cas);
        Poste p;
        p.Scenario("S");
        p.Port("HT630");
        int faits = 0;
        p.creeClavier = [&]() -> std::unique_ptr<ClavierVirtuel> {
            ++faits;
            if (k.echoue) {
                throw ErreurKovra(
                    "Kovra ne peut pas taper dans cette session Wayland : aucun moyen.");
            }
            return std::make_unique<ClavierEnregistreur>();
        };
        p.clavierAuDemarrage = k.auDemarrage;
        p.limiteClavier = [&](const ClavierVirtuel&) {
            return k.limite;
        };
        ASSERT_TRUE(p.Programme().Demarre());
        EXPECT_EQ(faits, k.cles);
        const QStringList messages = p.t.dialogues.Messages();
        if (k.message == nullptr) {
            EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        } else {
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].contains(QString::fromUtf8(k.message)))
                << messages[0].toStdString();
        }
    }
}

TEST(ProgrammeKovra, TheIconAndItsTipFollowThePort) {
    Poste p(true);
    p.Scenario(QString(70, 'n')); // a long name: the tip is cut at 64 characters
    p.Port("HT630");
    ASSERT_TRUE(p.Programme().Demarre());
    ProgrammeKovra& k = p.Programme();
    EXPECT_EQ(k.NomIcone(), "port-ouvert");
    EXPECT_EQ(k.TexteBulle(), Bulle("Ouvert", QString(70, 'n')));
    EXPECT_EQ(k.TexteBulle().size(), 64);

    bool ferme = false;
    k.Noyau().FermePort([&] { ferme = true; });
    ASSERT_TRUE(ferme);
    EXPECT_EQ(k.NomIcone(), "port-ferme");
    EXPECT_TRUE(k.TexteBulle().startsWith("Kovra COM 1 : Fermé, Scénario : nnn"));

    // Reopened, then the terminal unplugged: the port watch says so.
    k.Noyau().RouvrePort();
    EXPECT_EQ(k.NomIcone(), "port-ouvert");
    p.terminal.Ferme();
    ASSERT_TRUE(AttendQue([&] { return k.NomIcone() == "port-perdu"; }));
    EXPECT_TRUE(k.TexteBulle().startsWith("Kovra COM 1 : Débranché, Scénario : "));
}

// A terminal on the network: the tip says the link is being made, then that it is lost
// when nothing answers, with the cause said once.
TEST(ProgrammeKovra, TheTipFollowsANetworkLink) {
    kovra::test::PortFerme ferme;
    Poste p(true);
    p.Scenario("Stock");
    p.Port("HT630", QStringLiteral("tcp://127.0.0.1:%1").arg(ferme.Port()));
    ASSERT_TRUE(p.Programme().Demarre());
    ProgrammeKovra& k = p.Programme();
    EXPECT_TRUE(k.TexteBulle().startsWith("Kovra COM 1 : Connexion, Scénario : Stock"));
    ASSERT_TRUE(AttendQue([&] { return k.NomIcone() == "port-perdu"; }));
    EXPECT_TRUE(k.TexteBulle().startsWith("Kovra COM 1 : Débranché, Scénario : Stock"));
    ASSERT_TRUE(AttendQue([&] { return !p.t.dialogues.Messages().isEmpty(); }));
    EXPECT_EQ(p.t.dialogues.Messages().last(),
              QStringLiteral("Le port tcp://127.0.0.1:%1 ne répond plus (connexion refusée : rien "
                             "n'écoute sur ce port du serveur). Il sera rouvert dès qu'il sera de "
                             "retour.")
                  .arg(ferme.Port()));
}

TEST(ProgrammeKovra, WithoutANotificationAreaTheMenuIsAnOrdinaryWindow) {
    Poste p(false);
    p.Scenario("Stock");
    p.Port("HT630");
    ASSERT_TRUE(p.Programme().Demarre());
    EXPECT_EQ(p.Programme().Icone(), nullptr);
    MenuTray* menu = p.Programme().Menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(menu->windowFlags().testFlag(Qt::Popup));
    // Closing it keeps the program reachable; a choice leaves it open.
    menu->close();
    EXPECT_EQ(p.Programme().Menu(), menu);
    QTest::mouseClick(menu->LblMenu(EntreeMenu::Kovra), Qt::LeftButton);
    EXPECT_EQ(p.ouvertures, QStringList{"about"});
    EXPECT_EQ(p.Programme().Menu(), menu);
}

TEST(ProgrammeKovra, EachEntryDoesWhatItSays) {
    Poste p(true);
    p.Scenario("Stock");
    p.Port("HT630");
    ASSERT_TRUE(p.Programme().Demarre());
    ProgrammeKovra& k = p.Programme();
    p.t.dialogues = {};

    // Any activation of the icon shows the menu window; a click on a line closes it and acts.
    k.Active();
    ASSERT_NE(k.Menu(), nullptr);
    EXPECT_TRUE(k.Menu()->windowFlags().testFlag(Qt::Popup));
    EXPECT_EQ(k.Menu()->LblMenu(EntreeMenu::Commande), nullptr); // no order scenario
    QTest::mouseClick(k.Menu()->LblMenu(EntreeMenu::Kovra), Qt::LeftButton);
    ASSERT_TRUE(AttendQue([&] { return k.Menu() == nullptr; }));
    EXPECT_EQ(p.ouvertures, QStringList{"about"});

    // Settings: refused while locked.
    p.t.registre.Ecrit(kMDPUTL, "secret");
    k.Parametrage();
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{"Problème de mot de passe"});
    EXPECT_EQ(p.t.dialogues.Journal().back().icone, Icone::Aucune);
    p.t.registre.Ecrit(kMDPUTL, "");
    k.Parametrage();
    EXPECT_EQ(p.ouvertures, (QStringList{"about", "parametrage"}));

    // File: the import window, or the file PortSerie.ini names imported at once.
    k.Fichier();
    EcrireIni(kSectionPort, "Fichier", "/srv/terminal/Inventaire.txt", p.t.Chemin(kPortSerie));
    k.Fichier();
    EXPECT_EQ(p.ouvertures, (QStringList{"about", "parametrage", "import",
                                         "importe /srv/terminal/Inventaire.txt"}));

    // Transfer: a terminal that pushes its data has nothing to be asked.
    k.Transfert();
    EXPECT_EQ(p.t.dialogues.Messages().last(),
              "Le terminal « HT630 » envoie ses données de lui-même : il n'y a pas "
              "d'acquisition à lancer.");

    // Order: only with an order scenario, which becomes the chosen one.
    k.Commande();
    EXPECT_EQ(p.t.dialogues.Messages().last(), "Aucun scénario n'est défini pour la commande");
    p.Scenario("Commandes");
    p.t.registre.Ecrit(kRacScenChx, "Stock");
    p.t.registre.Ecrit(kRacCde, "Commandes");
    // The icon's own menu, made at start without "Commande", has it when next shown.
    ASSERT_NE(k.MenuContextuel(), nullptr);
    k.MenuContextuel()->popup(QPoint(300, 300));
    QStringList entrees;
    for (const QAction* a : k.MenuContextuel()->actions()) {
        entrees << a->text();
    }
    k.MenuContextuel()->hide();
    EXPECT_EQ(entrees,
              (QStringList{"Kovra", "Paramétrage", "Fichier", "Transfert", "Commande", "Quitter"}));
    k.Active();
    ASSERT_NE(k.Menu(), nullptr);
    ASSERT_NE(k.Menu()->LblMenu(EntreeMenu::Commande), nullptr);
    QTest::mouseClick(k.Menu()->LblMenu(EntreeMenu::Commande), Qt::LeftButton);
    EXPECT_EQ(p.t.dialogues.Messages().last(), "Scénario de commande actif !");
    EXPECT_EQ(p.t.registre.Lit(kRacScenChx), "Commandes");
    EXPECT_EQ(k.Noyau().Scenario().ScenarioActif, "Commandes");
    EXPECT_TRUE(k.TexteBulle().contains("Scénario : Commandes"));

    // Quit: the port closed with two beeps, the icon gone, the program ended.
    k.Quitter();
    EXPECT_EQ(p.statut, 0);
    EXPECT_EQ(p.t.dialogues.Bips(), 2);
    EXPECT_FALSE(k.Noyau().Port().PortOpen());
    EXPECT_FALSE(k.Icone()->isVisible());
}

TEST(ProgrammeKovra, ASecondTransferOffersToStopTheRunningOne) {
    Poste p(true);
    p.Scenario("Stock");
    p.Port("Optimus");
    ASSERT_TRUE(p.Programme().Demarre());
    ProgrammeKovra& k = p.Programme();
    k.Transfert();
    EXPECT_EQ(p.terminal.Recoit(5), "READ\r");
    ASSERT_TRUE(k.Noyau().Acquisitions().Occupe());
    p.terminal.Envoie(QByteArray("A1").leftJustified(20, ' ') + "|12    X\r");
    EXPECT_EQ(p.terminal.Recoit(4), "ACK\r");

    p.t.dialogues.PrepareOui(false); // keep it going
    k.Transfert();
    EXPECT_TRUE(k.Noyau().Acquisitions().Occupe());
    p.t.dialogues.PrepareOui(true);
    k.Transfert();
    EXPECT_FALSE(k.Noyau().Acquisitions().Occupe());
    const QStringList messages = p.t.dialogues.Messages();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith("Acquisition interrompue."));
    EXPECT_EQ(p.t.dialogues.ReponsesManquantes(), 0);

    // Quitting during a run stops it the same way; nothing is sent afterwards.
    k.Transfert();
    EXPECT_EQ(p.terminal.Recoit(5), "READ\r");
    k.Quitter();
    EXPECT_FALSE(k.Noyau().Acquisitions().Occupe());
    EXPECT_EQ(p.statut, 0);
}
