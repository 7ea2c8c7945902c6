// The application core as a front end uses it: a real data folder and database, a private
// registry, the port on a pseudo-terminal, a recording keyboard and time moved by the test.
#include "app/DonneesConservees.h"
#include "app/NoyauKovra.h"
#include "base/ErreurKovra.h"
#include "keyboard/ClavierEnregistreur.h"
#include "link/Reception.h"
#include "link/SurveillancePort.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/FichierProfil.h"
#include "storage/GestionScenarios.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/MinuterieManuelle.h"
#include "support/PosteNoyau.h"
#include "support/PseudoTerminal.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::ExecuteSql;
using kovra::test::MinuterieManuelle;
using kovra::test::PseudoTerminal;

namespace {

// A recording keyboard that also counts how often it was put back.
struct ClavierTest : ClavierEnregistreur {
    int restaurations = 0;
    int DelaiRestauration() const override { return 3000; }
    void Restaure() override { ++restaurations; }
};

struct Poste : kovra::test::PosteNoyau<MinuterieManuelle, ClavierTest> {
    Poste() : PosteNoyau(true) {}
    ~Poste() { noyau.reset(); } // before the terminal it may hold open

    // A scenario in the database, compiled; returns its number.
    qint16 Scenario(const QString& nom, const QString& type, const QStringList& actions,
                    const QString& chemin = QString()) {
        return t.Scenario(nom, type, actions, chemin);
    }
    void Port(const QString& protocole) {
        const QString ini = t.Chemin(kPortSerie);
        EcrireIni(QStringLiteral("Port_série"), "Port", "1", ini);
        EcrireIni(QStringLiteral("Port_série"), "Peripherique", terminal.Chemin(), ini);
        EcrireIni(QStringLiteral("Port_série"), "Protocol", protocole, ini);
    }
    // A scenario writing "code;quantity" lines to sortie.txt, made the chosen one.
    void ScenarioFichier(const QString& nom) {
        Scenario(nom, kTypeFichier, {"&CODE", ";", "&QTY", "&PASSLIGNE"},
                 t.dossier.Chemin("sortie.txt"));
        t.registre.Ecrit(kRacScenChx, nom);
    }

    PseudoTerminal terminal;
};

} // namespace

TEST(NoyauKovra, StartsWithNothingConfiguredAndSaysWhatIsMissing) {
    Poste p;
    const BilanDemarrage bilan = p.noyau->Demarre();
    EXPECT_FALSE(bilan.scenarioCharge);
    EXPECT_EQ(bilan.port.resultat, ResultatOuverture::AConfigurer);
    EXPECT_EQ(p.t.dialogues.Messages(),
              (QStringList{"Aucun scénario n'est défini",
                           "Veuillez configurer les paramétres de communication."}));
    EXPECT_FALSE(p.noyau->Port().PortOpen());
}

TEST(NoyauKovra, StartsOnTheChosenScenarioCompiledAgainAndDeliversTransfers) {
    Poste p;
    // An apostrophe in the name is a name like any other.
    p.ScenarioFichier("L'entrée");
    // Changed in the database since it was last compiled: start-up compiles it again.
    {
        BaseScen base(p.t.Chemin(kScenDb));
        AjouteAction(base, *base.NumeroParNom("L'entrée"), "&EMP", 0);
    }
    p.Port("HT630");
    const BilanDemarrage bilan = p.noyau->Demarre();
    EXPECT_TRUE(bilan.scenarioCharge);
    EXPECT_EQ(bilan.port.resultat, ResultatOuverture::Ouvert);
    EXPECT_EQ(p.noyau->Scenario().ListeActions,
              (QStringList{"", "&CODE", ";", "&QTY", "&PASSLIGNE", "&EMP"}));
    EXPECT_EQ(p.noyau->Liaison().TypeTerminal, GenreTerminal::HT630);
    EXPECT_EQ(p.bulle.texte.trimmed(), "Kovra COM 1 : Ouvert, Scénario : L'entrée");
    EXPECT_TRUE(p.t.dialogues.Messages().isEmpty());

    p.terminal.Envoie("A1\r12\rFINTRANSKOVRA");
    p.minuterie.Termine();
    EXPECT_EQ(p.livrees, QList<bool>{true});
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "A1;12\r\n");
    EXPECT_EQ(p.t.dialogues.Messages(),
              QStringList{"Fichier " + p.t.dossier.Chemin("sortie.txt") + " : généré"});
    EXPECT_TRUE(p.noyau->Port().PortOpen()); // reset, ready for the next transfer
}

TEST(NoyauKovra, AScenarioThatNoLongerCompilesStartsAsLastCompiled) {
    Poste p;
    p.ScenarioFichier("Stock");
    // An action the compiled file cannot hold, written by another program.
    ExecuteSql(p.t.Chemin(kScenDb), {"INSERT INTO Actions (NumeroScen,NumAction,Champs,PlaceTrame) "
                                     "VALUES (1,9,'a@b',0)"});
    const BilanDemarrage bilan = p.noyau->Demarre();
    EXPECT_TRUE(bilan.scenarioCharge);
    EXPECT_EQ(p.noyau->Scenario().NombreActions(), 4);
    ASSERT_FALSE(p.t.dialogues.Messages().isEmpty());
    EXPECT_TRUE(p.t.dialogues.Messages()[0].contains("@"));
    EXPECT_TRUE(p.t.dialogues.Messages()[0].contains("compilé la dernière fois"));
}

TEST(NoyauKovra, APortThatCannotOpenIsNoReasonToStop) {
    const struct {
        const char* nom;
        std::vector<std::pair<const char*, const char*>> valeurs;
        ResultatOuverture resultat;
        bool fatale;
    } cas[] = {
        {"no such device",
         {{"Peripherique", "/dev/kovra-absent"}},
         ResultatOuverture::Impossible,
         false},
        {"port not in use", {{"PortActif", "0"}}, ResultatOuverture::Inactif, false},
        {"a speed that is no number", {{"Vitesse", "rapide"}}, ResultatOuverture::Inactif, true},
        {"a speed the port refuses", {{"Vitesse", "0"}}, ResultatOuverture::Inactif, true},
    };
    for (const auto& c : cas) {
        Poste p;
        p.ScenarioFichier("Stock");
        p.Port("PT630");
        for (const auto& [cle, valeur] : c.valeurs) {
            EcrireIni(QStringLiteral("Port_série"), cle, valeur, p.t.Chemin(kPortSerie));
        }
        if (c.fatale) {
            EXPECT_THROW(p.noyau->Demarre(), ErreurKovra) << c.nom;
            continue;
        }
        const BilanDemarrage bilan = p.noyau->Demarre();
        EXPECT_EQ(bilan.port.resultat, c.resultat) << c.nom;
        EXPECT_EQ(bilan.port.Impossible(), c.resultat == ResultatOuverture::Impossible) << c.nom;
        EXPECT_TRUE(bilan.scenarioCharge) << c.nom;
    }
}

TEST(NoyauKovra, SettingsChangedBetweenFramesReachTheNextOne) {
    Poste p;
    p.ScenarioFichier("Stock");
    p.t.registre.Ecrit(kSepDec, ",");
    p.noyau->ChargeReglages();
    ASSERT_TRUE(p.noyau->RechargeScenarioChoisi());
    p.noyau->TraiteTrame({"A\r12.50\r", {}, nullptr, false});
    p.minuterie.Termine();
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "A;12,50\r\n");

    // A new separator, then another scenario chosen: each reaches the next frame.
    p.noyau->Miroirs().SepDecimal = "x";
    p.noyau->TraiteTrame({"A\r12.00\r", {}, nullptr, false});
    p.minuterie.Termine();
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "A;12\r\n");

    p.Scenario("Egal", kTypeFichier, {"&CODE", "=", "&QTY", "&PASSLIGNE"},
               p.t.dossier.Chemin("sortie.txt"));
    p.t.registre.Ecrit(kRacScenChx, "Egal");
    ASSERT_TRUE(p.noyau->RechargeScenarioChoisi());
    p.noyau->TraiteTrame({"B\r3\r", {}, nullptr, false});
    p.minuterie.Termine();
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "B=3\r\n");
    EXPECT_EQ(p.livrees, (QList<bool>{true, true, true}));
}

TEST(NoyauKovra, AFrameMayCarryItsOwnScenario) {
    Poste p;
    p.ScenarioFichier("Stock");
    p.noyau->ChargeReglages();
    ASSERT_TRUE(p.noyau->RechargeScenarioChoisi());
    p.Scenario("Essai", kTypeEmulation, {"&CODE", "{TAB}", "&QTY"});
    auto essai = std::make_shared<EtatScenario>();
    ChargeScenario(*essai, "Essai", p.t.donnees, p.bulle, 1);
    essai->ScenarioActif = "Essai";

    p.noyau->TraiteTrame({"A\r1\r", {}, essai, false});
    p.minuterie.Termine();
    ASSERT_NE(p.clavier, nullptr); // made for the first keystroke frame
    EXPECT_TRUE(p.clavier->Caracteres() == U"A1");
    EXPECT_FALSE(QFile::exists(p.t.dossier.Chemin("sortie.txt")));
    EXPECT_EQ(p.noyau->Scenario().ScenarioActif, "Stock");
}

TEST(NoyauKovra, ReopeningThePortWaitsForTheTransferUnderWay) {
    Poste p;
    p.ScenarioFichier("Stock");
    p.Port("HT630");
    ASSERT_EQ(p.noyau->Demarre().port.resultat, ResultatOuverture::Ouvert);

    p.terminal.Envoie("A1\r12\r"); // a transfer begins
    ASSERT_TRUE(p.noyau->Occupe());
    std::optional<ResultatOuverture> rouvert;
    const qsizetype minuteries = p.minuterie.delais.size();
    p.noyau->RouvrePort([&](const BilanOuverture& b) { rouvert = b.resultat; });
    EXPECT_EQ(p.minuterie.delais.size(), minuteries) << "waiting for a free run asks no timer";
    p.minuterie.Avance();
    EXPECT_FALSE(rouvert);
    EXPECT_TRUE(p.noyau->Port().PortOpen());

    p.terminal.Envoie("FINTRANSKOVRA");
    AttendQue([&] {
        p.minuterie.AvanceUne();
        return rouvert.has_value();
    });
    EXPECT_EQ(rouvert, ResultatOuverture::Ouvert);
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "A1;12\r\n");
}

TEST(NoyauKovra, ReopeningReportsEveryFailureAndMayOverrideAPortNotInUse) {
    Poste p;
    p.ScenarioFichier("Stock");
    p.Port("HT630");
    EcrireIni(QStringLiteral("Port_série"), "PortActif", "0", p.t.Chemin(kPortSerie));
    ASSERT_EQ(p.noyau->Demarre().port.resultat, ResultatOuverture::Inactif);

    std::optional<BilanOuverture> bilan;
    const auto note = [&](const BilanOuverture& b) {
        bilan = b;
    };
    p.noyau->RouvrePort(note);
    ASSERT_TRUE(bilan);
    EXPECT_EQ(bilan->resultat, ResultatOuverture::Inactif);
    p.noyau->RouvrePort(note, true); // the user asked for it
    EXPECT_EQ(bilan->resultat, ResultatOuverture::Ouvert);
    EXPECT_TRUE(p.noyau->Port().PortOpen());

    // A value that is no number does not end the program once it runs: it is reported.
    EcrireIni(QStringLiteral("Port_série"), "Vitesse", "rapide", p.t.Chemin(kPortSerie));
    p.noyau->RouvrePort(note, true);
    EXPECT_TRUE(bilan->Impossible());
    EXPECT_TRUE(bilan->erreur.contains("rapide"));
    EXPECT_FALSE(p.noyau->Port().PortOpen());
}

TEST(NoyauKovra, QuittingFinishesTheFrameThenPutsTheKeyboardBack) {
    Poste p;
    p.Scenario("Saisie", kTypeEmulation, {"&CODE", "&Timer 500", "&QTY"});
    p.t.registre.Ecrit(kRacScenChx, "Saisie");
    p.noyau->ChargeReglages();
    ASSERT_TRUE(p.noyau->RechargeScenarioChoisi());
    p.noyau->TraiteTrame({"A\rB\r", {}, nullptr, false});
    p.minuterie.Avance(); // 100 ms, then the first segment
    p.minuterie.Tours();
    bool fini = false;
    p.noyau->Quitte([&] { fini = true; });
    EXPECT_FALSE(fini); // the frame is still being typed
    // A notice raised meanwhile waits until the frame is typed.
    p.noyau->Env().dialogues.Avis("Terminal connecté", Icone::Information);
    EXPECT_TRUE(p.t.dialogues.Messages().isEmpty());
    while (!fini && p.minuterie.AvanceUne()) {
    }
    EXPECT_TRUE(fini);
    EXPECT_TRUE(p.clavier->Caracteres() == U"AB");
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{"Terminal connecté"});
    EXPECT_EQ(p.clavier->restaurations, 1);
    EXPECT_EQ(p.minuterie.Delais().back(), 3000); // the last keys had time to be read
}

TEST(NoyauKovra, PartsDestroyedWithTimersPendingRunNothingAfterwards) {
    // Each part leaves a continuation pending on a clock that outlives it.
    MinuterieManuelle minuterie;
    {
        Poste p;
        p.Scenario("Saisie", kTypeEmulation, {"&CODE"});
        p.t.registre.Ecrit(kRacScenChx, "Saisie");
        p.noyau->ChargeReglages();
        ASSERT_TRUE(p.noyau->RechargeScenarioChoisi());
        // The pipeline, waiting to type.
        EtatTraitement etat;
        ClavierEnregistreur clavier;
        TraiteEmul pipeline({p.noyau->Env(), p.noyau->Scenario(), etat, p.noyau->Touches(),
                             p.noyau->Miroirs(), [&]() -> ClavierVirtuel& { return clavier; },
                             minuterie, p.progression, nullptr});
        pipeline.Traite("A\r");
        // Reception, in the middle of an HT630 collection.
        EtatLiaison liaison;
        liaison.TypeTerminal = GenreTerminal::HT630;
        MSComm port;
        port.Peripherique = p.terminal.Chemin();
        port.SetPortOpen(true);
        auto reception =
            std::make_unique<Reception>(port, liaison, p.noyau->Env(), minuterie, p.progression,
                                        [](const QString&, const QString&) {});
        p.terminal.Envoie("A1\r");
        reception->SurEvenement();
        // The port watch, retrying a device unplugged.
        DialoguesScriptes dialogues;
        auto debranche = std::make_unique<PseudoTerminal>();
        MSComm perdu;
        perdu.Peripherique = debranche->Chemin();
        perdu.SetPortOpen(true);
        auto surveillance = std::make_unique<SurveillancePort>(perdu, dialogues, minuterie);
        QObject::connect(&perdu, &MSComm::OnComm, [&] {
            if (surveillance) {
                surveillance->SurEvenement();
            }
        });
        debranche.reset();
        ASSERT_TRUE(AttendQue([&] { return surveillance->Perdu(); }));
        ASSERT_GE(minuterie.enAttente.size(), 3u);
    }
    // Under the address sanitizer, a continuation touching any of them would be caught here.
    minuterie.Termine();
    EXPECT_TRUE(minuterie.enAttente.empty());
}

TEST(NoyauKovra, StartUpPutsAwayTheDataKeptUndeliveredAndSaysOnceWhatToDo) {
    Poste p;
    p.ScenarioFichier("Stock");
    const struct {
        const char* nom;
        QByteArray octets;
        const char* range; // where it is afterwards, in the folder of kept data; "": gone
    } cas[] = {
        {"ht630-51220262098.tmp", "A1\r", "ht630-51220262098.tmp"},
        {"51220262098.tmp", "A2\r", "51220262098_1.tmp"}, // that name was taken there
        {"nonlivree-20261205.tmp", "A3\r", "nonlivree-20261205.tmp"},
        {"acquisition-20261205.tmp", "A4\r", "acquisition-20261205.tmp"},
        // Empty: nothing was received, or nothing could be written, before the program ended.
        {"acquisition-20261206.tmp", "", ""},
        {"61220262098.tmp", "", ""},
    };
    p.t.dossier.Ecrit("donnees/conservees/51220262098.tmp", "ancien");
    for (const auto& c : cas) {
        p.t.dossier.Ecrit(QString("donnees/") + c.nom, c.octets);
    }
    p.t.dossier.Ecrit("donnees/autre.tmp", "A5\r");
    p.noyau->Demarre();

    const QString conservees = p.t.Chemin("conservees");
    QStringList ranges;
    for (const auto& c : cas) {
        EXPECT_FALSE(QFile::exists(p.t.Chemin(c.nom))) << c.nom;
        if (*c.range != '\0') {
            ranges << conservees + "/" + c.range;
            EXPECT_EQ(p.t.dossier.Lit(QString("donnees/conservees/") + c.range), c.octets);
        }
    }
    EXPECT_EQ(p.t.dossier.Lit("donnees/conservees/51220262098.tmp"), "ancien");
    EXPECT_EQ(p.t.dossier.Lit("donnees/autre.tmp"), "A5\r"); // not Kovra's
    ranges.sort();
    const QStringList messages = p.t.dialogues.Messages();
    ASSERT_EQ(messages.size(), 2); // the port to configure, then the kept data
    EXPECT_EQ(messages[1],
              "Des données reçues d'un terminal n'ont pas été livrées ; elles sont conservées "
              "dans : " +
                  ranges.join(", ") +
                  ". Celles d'un transfert ou d'une acquisition interrompus peuvent être "
                  "incomplètes. Pour les livrer, importez chaque fichier (« Fichier » dans le "
                  "menu de Kovra) avec le séparateur |, vérifiez ce qui a été livré, puis "
                  "supprimez le fichier. Ces fichiers sont rangés dans le dossier " +
                  conservees + " et ne seront plus signalés.");

    // The next start has nothing more to say about them.
    Poste suivant;
    suivant.t.env.DossierDonnees = p.t.donnees;
    EXPECT_TRUE(RangeDonneesConservees(suivant.t.env).isEmpty());
    EXPECT_TRUE(suivant.t.dialogues.Messages().isEmpty());
}

TEST(NoyauKovra, KeptDataThatCannotBePutAwayIsAnnouncedAgain) {
    DonneesTest t;
    t.dossier.Ecrit("donnees/conservees", "a file where the folder should be");
    t.dossier.Ecrit("donnees/ht630-51220262098.tmp", "A1\r");
    for (int demarrage = 0; demarrage < 2; ++demarrage) {
        EXPECT_EQ(RangeDonneesConservees(t.env), QStringList{t.Chemin("ht630-51220262098.tmp")});
    }
    const QStringList messages = t.dialogues.Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].endsWith("(ils n'ont pas pu y être rangés) seront signalés de "
                                     "nouveau au prochain démarrage."));
}

TEST(NoyauKovra, TypedKeyStringsKeepTheRegistrysPauseBetweenKeystrokes) {
    const struct {
        const char* delai;
        QList<int> pauses;
    } cas[] = {{"", {}}, {"0", {}}, {"25", {25, 25}}, {"2000", {1000, 1000}}};
    for (const auto& c : cas) {
        Poste p;
        p.t.registre.Ecrit(kDelaiTouches, c.delai);
        bool tape = false;
        p.noyau->TapeTouches("abc", [&](bool complet) { tape = complet; });
        p.minuterie.Termine();
        EXPECT_TRUE(tape) << c.delai;
        EXPECT_EQ(p.minuterie.Delais(), c.pauses) << c.delai;
        EXPECT_TRUE(p.clavier->Caracteres() == U"abc") << c.delai;
    }
}

TEST(NoyauKovra, QuittingDoesNotWaitForATransferWhoseEndIsNotComing) {
    Poste p;
    p.ScenarioFichier("Stock");
    p.Port("HT630");
    p.noyau->Demarre();
    p.terminal.Envoie("A1\r12\r"); // no end marker
    p.minuterie.Avance();          // read
    p.minuterie.Avance();          // then nothing for one cycle
    ASSERT_TRUE(p.noyau->Occupe());
    bool fini = false;
    p.noyau->Quitte([&] { fini = true; });
    EXPECT_TRUE(fini); // at once, not after the 10 s that would set it aside otherwise
    EXPECT_FALSE(p.noyau->Port().PortOpen());
    const QStringList messages = p.t.dialogues.Messages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(p.t.Chemin("ht630-"))) << messages[0].toStdString();
}

TEST(NoyauKovra, AKeyStringThatWouldStopIsRefusedBeforeAnyKey) {
    const struct {
        const char* touches;
        bool tape;
    } cas[] = {{"a{B 40000}c", false}, {"a{B 0}c", false}, {"a{B 2}c", true}};
    for (const auto& c : cas) {
        Poste p;
        QList<bool> fins;
        p.noyau->TapeTouches(QString::fromUtf8(c.touches), [&](bool complet) { fins << complet; });
        p.minuterie.Termine();
        EXPECT_EQ(fins, QList<bool>{c.tape}) << c.touches;
        if (c.tape) {
            EXPECT_TRUE(p.clavier->Caracteres() == U"aBBc");
            EXPECT_TRUE(p.t.dialogues.Messages().isEmpty());
        } else {
            EXPECT_EQ(p.clavier, nullptr) << c.touches; // no keyboard even made
            ASSERT_EQ(p.t.dialogues.Messages().size(), 1) << c.touches;
            EXPECT_TRUE(p.t.dialogues.Messages()[0].startsWith("La chaîne de touches s'arrête"));
        }
    }
}
