// The settings window driven as a user drives it, with its effects checked where they land:
// PortSerie.ini, the registry, the scenario database and compiled files, the running core.
#include "edition/ProprietesScenario.h"
#include "settings/FenetreParametrage.h"
#include "settings/PageConnexion.h"
#include "settings/PageProprietes.h"
#include "settings/PageScenarios.h"
#include "settings/PageTouches.h"
#include "settings/PosteParametrage.h"
#include "storage/Registre.h"
#include "storage/ScenarioActif.h"
#include "support/Attente.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::PosteParametrage;
using kovra::test::TourneBoucle;

namespace {

void Clique(QToolBar* barre, int bouton) {
    ASSERT_NE(barre, nullptr);
    barre->actions()[bouton - 1]->trigger();
}

QByteArray Octets(const QString& fichier) {
    QFile f(fichier);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Chooses the line of a list that starts with `debut`, as a click would.
void Choisit(QComboBox* liste, const QString& debut) {
    const int ligne = liste->findText(debut, Qt::MatchStartsWith);
    ASSERT_GE(ligne, 0) << debut.toStdString();
    liste->setCurrentIndex(ligne);
    emit liste->activated(ligne);
}

QListWidgetItem* Ligne(FenetreParametrage& f, const QString& nom) {
    const auto trouves = f.scenarios->LstScen->findItems(LigneListeScenario(nom), Qt::MatchExactly);
    return trouves.isEmpty() ? nullptr : trouves.first();
}

} // namespace

TEST(FenetreParametrage, OpensOnTheShippedFolderWithNothingChosen) {
    PosteParametrage p;
    FenetreParametrage& f = p.Ouvre();
    EXPECT_EQ(f.windowTitle(), "Paramétres <-> Clavier");
    QStringList pages;
    for (int i = 0; i < f.TabParam->count(); ++i) {
        pages << f.TabParam->tabText(i);
    }
    EXPECT_EQ(pages, (QStringList{"&Connexion", "&Propriétés", "&Touches particuliéres",
                                  "Touches &systémes", "S&cénario"}));
    EXPECT_EQ(f.TabParam->currentIndex(), 0);
    EXPECT_EQ(f.connexion->CboChoix->count(), 0);
    EXPECT_EQ(f.connexion->txtSep->text(), ".");
    EXPECT_EQ(f.connexion->txtDelai->value(), 0);
    EXPECT_FALSE(f.connexion->chkChampsTouches->isChecked());
    EXPECT_EQ(f.connexion->images->currentIndex(), 1);
    EXPECT_EQ(f.scenarios->LstScen->count(), 0);
    EXPECT_FALSE(f.scenarios->TxtNomScen->isVisible());
}

TEST(FenetreParametrage, OpensOnWhatTheUserChoseBefore) {
    PosteParametrage p;
    p.ScenarioFichier("Arrivages", "a.txt");
    p.ScenarioFichier("Stock", "s.txt");
    p.t.registre.Ecrit(kRacScenChx, "Stock");
    p.t.registre.Ecrit(kSepDec, ",");
    p.t.registre.Ecrit(kDelaiTouches, "40");
    p.t.registre.Ecrit(kChampsTouches, "1");
    FenetreParametrage& f = p.Ouvre();
    EXPECT_EQ(f.connexion->CboChoix->currentText(), "Stock");
    EXPECT_EQ(f.connexion->txtSep->text(), ",");
    EXPECT_EQ(f.connexion->txtDelai->value(), 40);
    EXPECT_TRUE(f.connexion->chkChampsTouches->isChecked());
    ASSERT_EQ(f.scenarios->LstScen->count(), 2);
    EXPECT_EQ(f.scenarios->LstScen->item(0)->text(), "--- Arrivages");
    // The first scenario is selected: its properties are shown, read-only where saving
    // would not change them.
    EXPECT_EQ(f.Etat().NomSelection, "Arrivages");
    EXPECT_EQ(f.scenarios->TxtNomScen->text(), "Arrivages");
    EXPECT_TRUE(f.scenarios->TxtNomScen->isReadOnly());
    EXPECT_FALSE(f.scenarios->CboType->isEnabled());
    EXPECT_EQ(f.scenarios->CboType->currentText(), "Fichier");
    EXPECT_EQ(f.scenarios->TxtChemin->text(), p.t.dossier.Chemin("a.txt"));
}

TEST(FenetreParametrage, ValidateAppliesEverythingToTheRunningProgram) {
    PosteParametrage p;
    p.ScenarioFichier("Arrivages", "a.txt");
    p.ScenarioFichier("Stock", "s.txt");
    p.t.registre.Ecrit(kRacScenChx, "Arrivages");
    FenetreParametrage& f = p.Ouvre(); // no port yet: the port is closed

    Choisit(f.connexion->CboChoix, "Stock");
    f.connexion->txtSep->setText(",");
    f.connexion->txtDelai->setValue(25);
    f.connexion->chkChampsTouches->setChecked(true);
    Choisit(f.proprietes->findChild<QComboBox*>("CboPort"), p.terminal.Chemin());
    Choisit(f.proprietes->findChild<QComboBox*>("CboProtocol"), "HT630");
    Clique(f.connexion->TlbConnect, 1);

    ASSERT_TRUE(AttendQue([&] { return f.isHidden(); }))
        << p.t.dialogues.Messages().join("|").toStdString();
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{});
    EXPECT_EQ(p.t.registre.Lit(kRacScenChx), "Stock");
    EXPECT_EQ(p.t.registre.Lit(kSepDec), ",");
    EXPECT_EQ(p.t.registre.Lit(kDelaiTouches), "25");
    EXPECT_EQ(p.t.registre.Lit(kChampsTouches), "1");
    EXPECT_EQ(LireIni(p.Ini(), kSectionPort, "Peripherique"), p.terminal.Chemin());
    // Opened on the device now configured, without a restart; the next frame follows the
    // new scenario and separator.
    ASSERT_TRUE(p.noyau->Port().PortOpen());
    EXPECT_EQ(p.noyau->Scenario().ScenarioActif, "Stock");
    p.terminal.Envoie("A1\r12.5\r");
    p.terminal.Envoie("FINTRANSKOVRA");
    ASSERT_TRUE(AttendQue([&] { return !p.livrees.isEmpty(); }));
    EXPECT_EQ(p.t.dossier.Lit("s.txt"), "A1;12,5\r\n");
}

TEST(FenetreParametrage, CloseWritesNothing) {
    PosteParametrage p;
    p.ScenarioFichier("Stock", "s.txt");
    p.t.registre.Ecrit(kRacScenChx, "Stock");
    FenetreParametrage& f = p.Ouvre();
    const QByteArray ini = Octets(p.Ini());
    const QByteArray registre = Octets(p.t.registre.Emplacement(kCleKovra));
    Choisit(f.connexion->CboChoix, "Stock");
    f.connexion->txtSep->setText(";");
    Choisit(f.proprietes->findChild<QComboBox*>("CboProtocol"), "PT630");
    Clique(f.connexion->TlbConnect, 2);
    ASSERT_TRUE(f.isHidden());
    EXPECT_EQ(Octets(p.Ini()), ini);
    EXPECT_EQ(Octets(p.t.registre.Emplacement(kCleKovra)), registre);
    EXPECT_EQ(p.noyau->Liaison().Protocole, QString()); // the running link is untouched
}

TEST(FenetreParametrage, TheSeparatorIsOneCharacterOrAPoint) {
    const struct {
        QString tape;
        QString garde;
    } cas[] = {{",", ","}, {";;", "."}, {"", "."}, {" ", " "}};
    for (const auto& c : cas) {
        PosteParametrage p;
        p.Port();
        p.ScenarioFichier("Stock", "s.txt");
        p.t.registre.Ecrit(kRacScenChx, "Stock");
        FenetreParametrage& f = p.Ouvre();
        f.connexion->txtSep->setText(c.tape);
        Clique(f.connexion->TlbConnect, 1);
        ASSERT_TRUE(AttendQue([&] { return f.isHidden(); }))
            << c.tape.toStdString() << "\n"
            << p.t.dialogues.Messages().join('|').toStdString() << "\n"
            << p.Depart();
        EXPECT_EQ(p.t.registre.Lit(kSepDec), c.garde) << c.tape.toStdString();
    }
}

TEST(FenetreParametrage, ValidateRefusesWhatCannotBeAppliedAndStaysOpen) {
    // No chosen scenario: said, and the port settings are saved all the same.
    {
        PosteParametrage p;
        FenetreParametrage& f = p.Ouvre();
        Choisit(f.proprietes->findChild<QComboBox*>("CboProtocol"), "PT630");
        Clique(f.connexion->TlbConnect, 1);
        EXPECT_EQ(p.t.dialogues.Messages().value(0),
                  "Vous devez entrer un choix pour le scenario choisi.");
        EXPECT_EQ(LireIni(p.Ini(), kSectionPort, "Protocol"), "PT630");
        // Still no port: the window stays, on the page where one is chosen.
        EXPECT_EQ(p.t.dialogues.Messages().value(1),
                  "Veuillez configurer les paramétres de communication.");
        EXPECT_FALSE(f.isHidden());
        EXPECT_EQ(f.TabParam->currentWidget(), f.proprietes);
    }
    // A chosen scenario deleted meanwhile (by kovra-cli, say): nothing is written, the
    // window stays.
    {
        PosteParametrage p;
        p.ScenarioFichier("Stock", "s.txt");
        p.t.registre.Ecrit(kRacScenChx, "Stock");
        FenetreParametrage& f = p.Ouvre();
        {
            BaseScen base(p.t.Chemin(kScenDb));
            base.SupprimeScenario(*base.NumeroParNom("Stock"));
        }
        const QByteArray ini = Octets(p.Ini());
        f.connexion->txtSep->setText(",");
        Clique(f.connexion->TlbConnect, 1);
        ASSERT_EQ(p.t.dialogues.Journal().size(), 1u)
            << p.t.dialogues.Messages().join('|').toStdString();
        EXPECT_TRUE(p.t.dialogues.Messages()[0].startsWith(kErreurOperation));
        EXPECT_EQ(p.t.dialogues.Journal()[0].titre, "KOVRA Velar");
        EXPECT_FALSE(f.isHidden());
        EXPECT_EQ(p.t.registre.Lit(kSepDec), "");
        EXPECT_EQ(Octets(p.Ini()), ini);
    }
    // An inventory scenario that no longer exists is skipped.
    {
        PosteParametrage p;
        p.Port();
        p.ScenarioFichier("Stock", "s.txt");
        p.t.registre.Ecrit(kRacScenChx, "Stock");
        p.t.registre.Ecrit(kRacCde, "Disparu");
        FenetreParametrage& f = p.Ouvre();
        Clique(f.connexion->TlbConnect, 1);
        ASSERT_TRUE(AttendQue([&] { return f.isHidden(); }));
        EXPECT_EQ(p.t.dialogues.Messages(), QStringList{});
        EXPECT_EQ(p.t.registre.Lit(kRacCde), "Disparu");
    }
}

TEST(FenetreParametrage, ThePortImageOpensAndClosesThePort) {
    PosteParametrage p;
    EcrireIni(kSectionPort, "Port", " 1", p.Ini());
    EcrireIni(kSectionPort, "Peripherique", p.terminal.Chemin(), p.Ini());
    EcrireIni(kSectionPort, "PortActif", "0", p.Ini()); // closed at start-up
    FenetreParametrage& f = p.Ouvre();
    ASSERT_FALSE(p.noyau->Port().PortOpen());
    f.CliqueImage(false);
    EXPECT_TRUE(p.noyau->Port().PortOpen());
    EXPECT_EQ(f.connexion->images->currentIndex(), 0);
    f.CliqueImage(true);
    EXPECT_FALSE(p.noyau->Port().PortOpen());
    EXPECT_EQ(f.connexion->images->currentIndex(), 1);

    // A device that is not there: said, and the window stays usable.
    EcrireIni(kSectionPort, "Peripherique", "/dev/kovra-absent", p.Ini());
    f.CliqueImage(false);
    EXPECT_TRUE(p.t.dialogues.Messages().value(0).startsWith("Le port n'a pas pu être ouvert"));
    EXPECT_FALSE(f.isHidden());
}

TEST(FenetreParametrage, ANewScenarioIsCheckedBeforeItIsStored) {
    PosteParametrage p;
    p.ScenarioFichier("Stock", "s.txt");
    FenetreParametrage& f = p.Ouvre();
    PageScenarios& s = *f.scenarios;
    s.TxtChemin->setText(p.t.dossier.Chemin("s.txt")); // what another scenario showed
    s.chkIncrement->setChecked(true);
    f.CreeScenario();
    // Nothing is inherited from the scenario shown before.
    EXPECT_TRUE(s.TxtChemin->text().isEmpty());
    EXPECT_FALSE(s.chkIncrement->isChecked());
    EXPECT_EQ(s.CboType->currentIndex(), -1);
    EXPECT_FALSE(s.TxtNomScen->isReadOnly());

    s.TxtNomScen->setText("Réception");
    f.EnregistreScenario();
    EXPECT_EQ(p.t.dialogues.Messages().value(0), "Vous devez préciser un type pour le scénario.");
    EXPECT_EQ(p.t.dialogues.Journal()[0].icone, Icone::Critique);

    Choisit(s.CboType, "Emulation");
    s.TxtNomScen->setText("STOCK"); // taken, whatever the case
    f.EnregistreScenario();
    EXPECT_TRUE(p.t.dialogues.Messages().value(1).contains("existe déjà"));
    s.TxtNomScen->setText("a/b"); // no file name
    f.EnregistreScenario();
    EXPECT_EQ(p.t.dialogues.Messages().size(), 3);
    EXPECT_EQ(s.LstScen->count(), 1); // listed only once stored

    s.TxtNomScen->setText("Réception");
    p.t.dialogues.PrepareSaisie(QString("4"));
    s.ChcPartiel->click();
    EXPECT_TRUE(s.ChcPartiel->isChecked());
    f.EnregistreScenario();
    ASSERT_EQ(s.LstScen->count(), 2);
    EXPECT_EQ(s.LstScen->currentItem()->text(), "--- Réception");
    BaseScen base(p.t.Chemin(kScenDb));
    const auto numero = base.NumeroParNom("Réception");
    ASSERT_TRUE(numero);
    const auto ligne = base.LitScenario(*numero);
    EXPECT_EQ(ligne->Type, "Emulation");
    EXPECT_EQ(ligne->Trame, 1);
    EXPECT_EQ(ligne->NbrTrame, 4);
    EXPECT_EQ(f.Editeur().Edition().Etat().NumScen, *numero); // the editor opens on it
    EXPECT_TRUE(s.TxtNomScen->isReadOnly());                  // from now on an existing scenario
}

TEST(FenetreParametrage, TheFieldCountIsAskedOnlyWhenTickingAndMustBeANumber) {
    const struct {
        std::optional<QString> reponse;
        bool coche;
        bool refus;
    } cas[] = {
        {QString("12"), true, false},    {QString("32767"), true, false},
        {std::nullopt, false, false},    {QString(""), false, false},
        {QString("0"), false, false},    {QString("abc"), false, true},
        {QString("32768"), false, true}, {QString("-2"), false, true},
    };
    for (const auto& c : cas) {
        PosteParametrage p;
        FenetreParametrage& f = p.Ouvre();
        f.CreeScenario();
        p.t.dialogues.PrepareSaisie(c.reponse);
        f.scenarios->ChcPartiel->click();
        const std::string nom = c.reponse.value_or("(annulé)").toStdString();
        EXPECT_EQ(f.scenarios->ChcPartiel->isChecked(), c.coche) << nom;
        EXPECT_EQ(p.t.dialogues.Messages().size(), c.refus ? 1 : 0) << nom;
        if (c.coche) {
            f.scenarios->ChcPartiel->click(); // unticking asks nothing
            EXPECT_FALSE(f.scenarios->ChcPartiel->isChecked()) << nom;
        }
        EXPECT_EQ(p.t.dialogues.ReponsesManquantes(), 0) << nom;
        EXPECT_EQ(p.t.dialogues.Journal().size(), (c.refus ? 2u : 1u)) << nom;
    }
}

TEST(FenetreParametrage, APathEditGoesToTheScenarioShown) {
    PosteParametrage p;
    p.ScenarioFichier("Arrivages", "a.txt");
    p.ScenarioFichier("Stock", "s.txt");
    FenetreParametrage& f = p.Ouvre();
    PageScenarios& s = *f.scenarios;
    s.LstScen->setCurrentItem(Ligne(f, "Stock"));
    EXPECT_EQ(s.TxtChemin->text(), p.t.dossier.Chemin("s.txt"));
    s.TxtChemin->setText("/srv/stock.txt");
    emit s.TxtChemin->editingFinished();
    s.LstScen->setCurrentItem(Ligne(f, "Arrivages"));
    emit s.TxtChemin->editingFinished(); // leaving the box again changes nothing

    BaseScen base(p.t.Chemin(kScenDb));
    EXPECT_EQ(base.LitScenario(*base.NumeroParNom("Stock"))->Chemin, "/srv/stock.txt");
    EXPECT_EQ(base.LitScenario(*base.NumeroParNom("Arrivages"))->Chemin,
              p.t.dossier.Chemin("a.txt"));

    // Saving an existing scenario changes its path and counter flag only.
    s.chkIncrement->setChecked(true);
    f.EnregistreScenario();
    const auto arrivages = base.LitScenario(*base.NumeroParNom("Arrivages"));
    EXPECT_EQ(arrivages->Specif, 1);
    EXPECT_EQ(arrivages->Type, "Fichier");
}

TEST(FenetreParametrage, DeleteRemovesTheConfirmedScenarioAndWhatNamesIt) {
    PosteParametrage p;
    p.ScenarioFichier("Arrivages", "a.txt");
    const qint16 stock = p.ScenarioFichier("Stock", "s.txt");
    p.t.registre.Ecrit(kRacScenChx, "Stock");
    p.t.registre.Ecrit(kRacCde, "Stock");
    p.t.registre.Ecrit(kRacInvent, "Arrivages");
    FenetreParametrage& f = p.Ouvre();
    PageScenarios& s = *f.scenarios;

    s.LstScen->setCurrentRow(-1);
    f.SupprimeScenario();
    EXPECT_EQ(p.t.dialogues.Messages().value(0), "Veuillez sélectionner le scénario à supprimer.");

    s.LstScen->setCurrentItem(Ligne(f, "Stock"));
    p.t.dialogues.PrepareOui(false);
    f.SupprimeScenario();
    EXPECT_NE(Ligne(f, "Stock"), nullptr);

    f.CreeScenario(); // the text's delete would then take the number of the new one
    s.LstScen->setCurrentItem(Ligne(f, "Stock"));
    p.t.dialogues.PrepareOui(true);
    f.SupprimeScenario();
    const auto question =
        std::find_if(p.t.dialogues.Journal().begin(), p.t.dialogues.Journal().end(),
                     [](const auto& t) { return t.genre == DialoguesScriptes::Genre::Question; });
    ASSERT_NE(question, p.t.dialogues.Journal().end());
    EXPECT_EQ(question->texte,
              "Attention. Cette suppression sera définitive. Voulez-vous réellement supprimer "
              "le scénario Stock?");
    EXPECT_EQ(Ligne(f, "Stock"), nullptr);
    BaseScen base(p.t.Chemin(kScenDb));
    EXPECT_FALSE(base.NumeroParNom("Stock"));
    EXPECT_TRUE(base.Actions(stock).empty());
    EXPECT_TRUE(base.NumeroParNom("Arrivages"));
    EXPECT_FALSE(QFile::exists(CheminScenario(p.t.donnees, "Stock")));
    EXPECT_EQ(p.t.registre.Lit(kRacScenChx), "");
    EXPECT_EQ(p.t.registre.Lit(kRacCde), "");
    EXPECT_EQ(p.t.registre.Lit(kRacInvent), "Arrivages");
    EXPECT_EQ(f.Etat().ScenChoisi, "");
    EXPECT_EQ(f.connexion->CboChoix->findText("Stock"), -1);
    ASSERT_TRUE(AttendQue([&] { return p.noyau->Scenario().ScenarioActif.isEmpty(); }));
}

TEST(FenetreParametrage, ValidateOfTheScenarioPageChoosesTheSelectedOneWhenNoneIs) {
    PosteParametrage p;
    p.ScenarioFichier("Arrivages", "a.txt");
    p.ScenarioFichier("Stock", "s.txt");
    FenetreParametrage& f = p.Ouvre();
    f.scenarios->LstScen->setCurrentItem(Ligne(f, "Stock"));
    Clique(f.scenarios->TlbScenarios, 1);
    EXPECT_TRUE(f.isHidden());
    EXPECT_EQ(p.t.registre.Lit(kRacScenChx), "Stock");
    ASSERT_TRUE(AttendQue([&] { return p.noyau->Scenario().ScenarioActif == "Stock"; }));
}

TEST(FenetreParametrage, KeyNamesAreSavedPageByPageAndUsedByTheNextFrame) {
    PosteParametrage p;
    FenetreParametrage& f = p.Ouvre();
    ASSERT_EQ(f.particulieres->Case(3)->text(), "{F4}"); // as shipped
    EXPECT_EQ(p.noyau->Touches().Cherche("Valider"), "");

    // A name holding "@" would map the key to another slot: refused, nothing saved.
    const QByteArray avant = Octets(p.t.Chemin("Touche.ini"));
    f.systeme->Case(11)->setText("Entrée@2");
    Clique(f.systeme->findChild<QToolBar*>("TlbSys"), 1);
    EXPECT_TRUE(p.t.dialogues.Messages().value(0).contains("ENTER"));
    EXPECT_EQ(Octets(p.t.Chemin("Touche.ini")), avant);

    // The system keys page saves and stays open; the special keys page saves and closes.
    f.systeme->Case(11)->setText("Entrée");
    Clique(f.systeme->findChild<QToolBar*>("TlbSys"), 1);
    EXPECT_FALSE(f.isHidden());
    f.particulieres->Case(3)->setText("Valider");
    Clique(f.particulieres->findChild<QToolBar*>("TlbPart"), 1);
    EXPECT_TRUE(f.isHidden());
    EXPECT_EQ(LireIni(p.t.Chemin("Touche.ini"), "Particuliere", "3"), "Valider@ 3");
    EXPECT_EQ(LireIni(p.t.Chemin("Touche.ini"), "systeme", "11"), "Entrée@ 26");
    // The running program knows the new names at once.
    ASSERT_TRUE(AttendQue([&] { return p.noyau->Touches().Cherche("Valider") == "{F4}"; }));
    EXPECT_EQ(p.noyau->Touches().Cherche("Entrée"), "{ENTER}");
}

TEST(FenetreParametrage, PortPropertiesAreCheckedThenAppliedOnTheNewDevice) {
    PosteParametrage p;
    FenetreParametrage& f = p.Ouvre();
    auto* port = f.proprietes->findChild<QComboBox*>("CboPort");
    auto* donnees = f.proprietes->findChild<QComboBox*>(QString::fromUtf8("CboDonnées"));
    ASSERT_NE(donnees, nullptr);
    Choisit(port, p.terminal.Chemin());
    Choisit(donnees, "4"); // offered, but no serial port here takes it
    const QByteArray avant = Octets(p.Ini());
    Clique(f.proprietes->findChild<QToolBar*>("TlbPrpp"), 1);
    ASSERT_EQ(p.t.dialogues.Messages().size(), 1);
    EXPECT_FALSE(f.isHidden());
    EXPECT_EQ(Octets(p.Ini()), avant);

    // Opened on the new device, and still open a moment later: settings a pseudo-terminal
    // cannot take are no lost device.
    Choisit(donnees, "7");
    Clique(f.proprietes->findChild<QToolBar*>("TlbPrpp"), 1);
    ASSERT_TRUE(AttendQue([&] { return f.isHidden(); }));
    EXPECT_EQ(LireIni(p.Ini(), kSectionPort, "Bit de donnée"), "7");
    TourneBoucle(50); // what the opening raised has come by now
    EXPECT_TRUE(p.noyau->Port().PortOpen());
    EXPECT_EQ(p.noyau->Port().NomPeripherique(), p.terminal.Chemin());
    EXPECT_EQ(p.t.dialogues.Messages().size(), 1);
}

TEST(FenetreParametrage, APortFileLostWhileRunningIsMadeAgainFromTheDefaults) {
    PosteParametrage p;
    FenetreParametrage& f = p.Ouvre([&] {
        QFile::remove(p.Ini());
        QFile::remove(p.t.Chemin(kTouche));
    });
    // The lists show what a fresh data folder holds; only the port is left to choose.
    const struct {
        const char* liste;
        const char* choix;
    } attendus[] = {{"CboPort", ""},         {"CboVitesse", "9600"}, {"CboDonnées", "8"},
                    {"CboParité", "Aucune"}, {"CboArret", "1"},      {"CboFlux", "Aucun"},
                    {"CboProtocol", "HT630"}};
    for (const auto& a : attendus) {
        auto* liste = f.proprietes->findChild<QComboBox*>(QString::fromUtf8(a.liste));
        ASSERT_NE(liste, nullptr) << a.liste;
        EXPECT_EQ(liste->currentIndex() < 0 ? QString() : liste->currentText(),
                  QString::fromUtf8(a.choix))
            << a.liste;
    }
    Choisit(f.proprietes->findChild<QComboBox*>("CboPort"), p.terminal.Chemin());
    Clique(f.proprietes->findChild<QToolBar*>("TlbPrpp"), 1);
    ASSERT_TRUE(AttendQue([&] { return f.isHidden(); }));
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{});
    EXPECT_TRUE(p.noyau->Port().PortOpen());
    EXPECT_EQ(LireIni(p.Ini(), kSectionPort, "PortActif"), "1");

    // The next start takes the file as written.
    p.noyau.reset();
    NoyauKovra suivant({p.t.donnees, p.t.registre, p.t.dialogues, p.bulle, p.minuterie,
                        p.progression, [] { return std::make_unique<ClavierEnregistreur>(); },
                        false});
    BilanDemarrage bilan;
    EXPECT_NO_THROW(bilan = suivant.Demarre());
    EXPECT_EQ(bilan.port.resultat, ResultatOuverture::Ouvert);
}

TEST(FenetreParametrage, WhileTheTransferLibraryHoldsTheLineThePortStaysClosedAndThePageSaysWhy) {
    PosteParametrage p;
    p.ScenarioFichier("Stock", "s.txt");
    p.t.registre.Ecrit(kRacScenChx, "Stock");
    p.Port();
    FenetreParametrage& f = p.Ouvre();
    ASSERT_TRUE(p.noyau->Port().PortOpen()) << p.Depart();
    const QString rouvert =
        kPortPreteTransfert + QStringLiteral(" Il sera rouvert à la fermeture de cette fenêtre.");

    p.noyau->PretePortTransfert(); // the transfer window opens the library's port
    ASSERT_TRUE(AttendQue([&] { return !p.noyau->Port().PortOpen(); }));
    EXPECT_EQ(f.connexion->lblEtatPort->text(), rouvert);

    // Neither the image nor either "Valider" takes the line back meanwhile; what they save
    // is saved, and the window stays on the page that says why.
    const std::function<void()> demandes[] = {
        [&] { f.CliqueImage(false); },
        [&] { Clique(f.connexion->TlbConnect, 1); },
        [&] { Clique(f.proprietes->findChild<QToolBar*>("TlbPrpp"), 1); },
    };
    for (const auto& demande : demandes) {
        f.TabParam->setCurrentWidget(f.proprietes);
        demande();
        TourneBoucle(50);
        EXPECT_FALSE(p.noyau->Port().PortOpen());
        EXPECT_FALSE(f.isHidden());
        EXPECT_EQ(f.connexion->images->currentWidget(), f.connexion->ImgNotConnected);
        EXPECT_EQ(f.connexion->lblEtatPort->text(), rouvert);
    }
    EXPECT_EQ(f.TabParam->currentWidget(), f.connexion);
    EXPECT_EQ(p.t.dialogues.Messages(), QStringList{});

    // Open when lent, it opens again when the library lets go.
    p.noyau->RendPortTransfert();
    ASSERT_TRUE(AttendQue([&] { return p.noyau->Port().PortOpen(); }))
        << p.t.dialogues.Messages().join(" | ").toStdString();
    EXPECT_EQ(f.connexion->lblEtatPort->text(),
              QString::fromUtf8("Port ouvert : cliquez sur l'image pour le fermer."));

    // Closed when lent and not asked for: it stays closed after.
    f.CliqueImage(true);
    p.noyau->PretePortTransfert();
    EXPECT_EQ(f.connexion->lblEtatPort->text(), kPortPreteTransfert);
    p.noyau->RendPortTransfert();
    TourneBoucle(50);
    EXPECT_FALSE(p.noyau->Port().PortOpen());
    EXPECT_EQ(f.connexion->lblEtatPort->text(),
              QString::fromUtf8("Port fermé : cliquez sur l'image pour l'ouvrir."));
    // Asked for meanwhile, it opens when the library lets go.
    p.noyau->PretePortTransfert();
    f.CliqueImage(false);
    EXPECT_FALSE(p.noyau->Port().PortOpen());
    EXPECT_EQ(f.connexion->lblEtatPort->text(), rouvert);
    p.noyau->RendPortTransfert();
    EXPECT_TRUE(AttendQue([&] { return p.noyau->Port().PortOpen(); }));
}

TEST(FenetreParametrage, ALineGoneWhileLentIsSaidAndOpenedOnceBack) {
    PosteParametrage p;
    p.Port();
    const QString lien = p.t.dossier.Chemin("ttyKovra");
    ASSERT_TRUE(QFile::link(p.terminal.Chemin(), lien));
    EcrireIni(kSectionPort, "Peripherique", lien, p.Ini());
    p.Ouvre();
    ASSERT_TRUE(p.noyau->Port().PortOpen()) << p.Depart();
    p.noyau->PretePortTransfert();
    ASSERT_TRUE(AttendQue([&] { return !p.noyau->Port().PortOpen(); }));

    QFile::remove(lien); // the adapter pulled while the library held it
    p.noyau->RendPortTransfert();
    ASSERT_TRUE(AttendQue([&] { return !p.t.dialogues.Messages().isEmpty(); }));
    const QString dit = p.t.dialogues.Messages().constFirst();
    EXPECT_TRUE(dit.startsWith("Impossible d'ouvrir le port " + lien)) << dit.toStdString();
    EXPECT_TRUE(dit.endsWith(QString::fromUtf8("Il sera rouvert dès qu'il sera de retour.")));

    ASSERT_TRUE(QFile::link(p.terminal.Chemin(), lien));
    EXPECT_TRUE(AttendQue([&] { return p.noyau->Port().PortOpen(); }));
    EXPECT_EQ(p.t.dialogues.Messages().last(), "Le port " + lien + " est de nouveau ouvert.");
}

TEST(FenetreParametrage, ANetworkAddressBadlyWrittenIsRefusedBeforeAnythingIsWritten) {
    PosteParametrage p;
    p.Port();
    FenetreParametrage& f = p.Ouvre();
    Choisit(f.proprietes->findChild<QComboBox*>("CboPort"), QString::fromUtf8("Adresse réseau"));
    auto* champ = f.proprietes->findChild<QLineEdit*>("TxtAdresse");
    ASSERT_NE(champ, nullptr);
    champ->setText("tcp://serveur:0");
    const QByteArray avant = Octets(p.Ini());
    Clique(f.proprietes->findChild<QToolBar*>("TlbPrpp"), 1);
    EXPECT_EQ(p.t.dialogues.Messages(),
              QStringList{QString::fromUtf8("L'adresse réseau « tcp://serveur:0 » ne peut pas "
                                            "servir : le port « 0 » n'est pas un numéro de 1 à "
                                            "65535.")});
    EXPECT_FALSE(f.isHidden());
    EXPECT_EQ(f.TabParam->currentWidget(), f.proprietes);
    EXPECT_EQ(Octets(p.Ini()), avant);
}
