// Tallyra's window driven as a user drives it, with scripted message boxes and an in-memory
// management application.
#include "OutilsTallyra.h"
#include "ServeurFactice.h"
#include "dialogues/DialoguesScriptes.h"
#include "inventory/DossierTallyra.h"
#include "inventory/FenetreInventaire.h"
#include "storage/FichierProfil.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kovra;
using namespace kovra::tallyra;
using namespace kovra::tallyra::test;

namespace {

struct Poste {
    explicit Poste(const QByteArray& parametres = {}) {
        if (!parametres.isEmpty()) {
            d.Ecrit(kParametresIni, parametres);
        }
        fenetre =
            std::make_unique<FenetreInventaire>(d.dir.path(), dialogues, FabriqueFactice(script));
        fenetre->show();
    }
    QAction* Valider() const { return fenetre->TlbPrpp->actions()[0]; }
    // An article database and an inventory file chosen through the dialogs.
    void Fichiers(const QByteArray& inventaire) {
        CreeBaseArticles(d.Chemin("LedgC.db"), {{"A12", "3012"}, {"B7", "3013"}});
        d.Ecrit("inv.txt", inventaire);
        dialogues.PrepareSaisie(d.Chemin("inv.txt"));
        fenetre->TlbFichier->actions()[0]->trigger();
        dialogues.PrepareSaisie(d.Chemin("LedgC.db"));
        fenetre->TblLedgra->actions()[0]->trigger();
        dialogues = {};
    }

    DossierTallyraTest d;
    DialoguesScriptes dialogues;
    ScriptLedgra script;
    std::unique_ptr<FenetreInventaire> fenetre;
};

} // namespace

TEST(FenetreInventaire, StartsFromItsSettingsAndSavesThem) {
    const struct {
        QByteArray ini;
        QString societe, ledgra;
        bool expert, huit;
        qint16 edition;
    } cas[] = {
        {{}, "", "", false, false, 1},
        {"[Societe]\r\nSociete=SOC\r\nDepot=D1\r\nLedgra=1\r\nLedgraPath=/srv/LedgC.db\r\n", "SOC",
         "/srv/LedgC.db", true, false, 1},
        {"[Societe]\r\nLedgra=2\r\n", "", "", false, true, 2},
        {"[Societe]\r\nLedgra=x\r\n", "", "", false, true, 2},
    };
    for (const auto& c : cas) {
        Poste p(c.ini);
        FenetreInventaire& f = *p.fenetre;
        EXPECT_EQ(f.windowTitle(), "Inventaire Ostrak");
        EXPECT_EQ(f.Txtsociete->text(), c.societe);
        EXPECT_EQ(f.lblLedgra->text(), c.ledgra);
        EXPECT_EQ(f.mnuexpert->isChecked(), c.expert);
        EXPECT_EQ(f.mnuhuit->isChecked(), c.huit);
        EXPECT_EQ(f.VersionLedgra(), c.edition);
        EXPECT_FALSE(p.Valider()->isEnabled()); // no inventory file yet
    }

    // The edition follows the last entry chosen; checking one unchecks the other.
    Poste p;
    FenetreInventaire& f = *p.fenetre;
    const struct {
        QAction* entree;
        bool expert, huit;
        qint16 edition;
    } menus[] = {{f.mnuexpert, true, false, 1},
                 {f.mnuexpert, false, false, 1},
                 {f.mnuhuit, false, true, 2},
                 {f.mnuexpert, true, false, 1},
                 {f.mnuhuit, false, true, 2}};
    for (const auto& m : menus) {
        m.entree->trigger();
        EXPECT_EQ(f.mnuexpert->isChecked(), m.expert);
        EXPECT_EQ(f.mnuhuit->isChecked(), m.huit);
        EXPECT_EQ(f.VersionLedgra(), m.edition);
    }
    f.Txtsociete->setText("SOC");
    f.Txtdepot->setText("D'1");
    f.CmdDefaut->click();
    ASSERT_EQ(p.dialogues.Journal().size(), 1u);
    EXPECT_EQ(p.dialogues.Journal()[0].texte, "Paramètres enregistrés");
    EXPECT_EQ(p.dialogues.Journal()[0].icone, Icone::Information);
    EXPECT_EQ(p.dialogues.Journal()[0].titre, kTitreTallyra);
    const QString ini = p.d.Chemin(kParametresIni);
    EXPECT_EQ(LireIni(ini, "Societe", "Ledgra"), "2");
    EXPECT_EQ(LireIni(ini, "Societe", "Depot"), "D'1");
}

TEST(FenetreInventaire, ValiderChecksItsInputsInOrder) {
    Poste p;
    FenetreInventaire& f = *p.fenetre;
    const struct {
        QString societe, depot, fichier, ledgra, message;
    } cas[] = {
        {"", "D1", "/x/inv.txt", "/x/LedgC.db",
         "Vous devez saisir un code dépôt et un code société"},
        {"SOC", "", "", "", "Vous devez saisir un code dépôt et un code société"},
        {"SOC", "D1", "", "/x/LedgC.db", "Vous devez selectionner un fichier d'inventaire"},
        {"SOC", "D1", "/x/inv.txt", "",
         "Vous devez selectionner le fichier LedgC.mdb de votre ledgra"},
    };
    for (const auto& c : cas) {
        p.dialogues = {};
        f.Txtsociete->setText(c.societe);
        f.Txtdepot->setText(c.depot);
        f.lblchemin->setText(c.fichier);
        f.lblLedgra->setText(c.ledgra);
        f.Valide();
        ASSERT_EQ(p.dialogues.Journal().size(), 1u);
        EXPECT_EQ(p.dialogues.Journal()[0].texte, c.message);
        EXPECT_EQ(p.dialogues.Journal()[0].icone, Icone::Exclamation);
        EXPECT_FALSE(f.EnCours());
    }
    EXPECT_TRUE(p.script.appels.isEmpty());
}

TEST(FenetreInventaire, AnImportRunsWithTheInputsDisabledAndEndsWithItsMessages) {
    Poste p;
    FenetreInventaire& f = *p.fenetre;
    f.Txtsociete->setText("SOC");
    f.Txtdepot->setText("D1");
    p.Fichiers("3012;4;\r\nZZ;1;\r\nB7;2;\r\n");
    ASSERT_TRUE(p.Valider()->isEnabled());
    QSignalSpy fin(&f, &FenetreInventaire::importTermine);
    p.Valider()->trigger();
    EXPECT_TRUE(f.EnCours());
    EXPECT_FALSE(f.Txtsociete->isEnabled());
    EXPECT_FALSE(p.Valider()->isEnabled());
    EXPECT_TRUE(f.ProgressBar1->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return fin.size() == 1; }, 10000));
    EXPECT_EQ(p.script.appels,
              QStringList({"<création Ledgra.ClsProjet>", "Init(SOC||)", "InitInventaire(D1)",
                           "InventaireArticle(D1|A12|4)", "InventaireArticle(D1|B7|2)",
                           "ValidationInventaire(D1)"}));
    const QStringList messages = p.dialogues.Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "Importation d'inventaire terminée ...");
    EXPECT_TRUE(messages[1].endsWith(CheminTallyra(p.d.dir.path(), kErrInventaire)));
    EXPECT_EQ(f.LblMessages->text(), "Importation d'inventaire terminée ...");
    EXPECT_EQ(f.ProgressBar1->value(), 100);
    EXPECT_TRUE(f.Txtsociete->isEnabled());
    EXPECT_FALSE(p.Valider()->isEnabled()); // until a file is chosen again
}

TEST(FenetreInventaire, ClosingDuringAnImportPostsNothingWhileAskingThenStopsOrGoesOn) {
    const QString tout[] = {"<création Ledgra.ClsProjet>", "Init(SOC||)",
                            "InitInventaire(D1)",          "InventaireArticle(D1|A12|4)",
                            "InventaireArticle(D1|B7|2)",  "ValidationInventaire(D1)"};
    const struct {
        int lignesAvant; // lines posted when the user closes; -1: before the first step
        bool oui;
        QString debutQuestion;
        int appelsFinaux; // calls made in all, counted in `tout`
    } cas[] = {
        {-1, false, "La préparation de l'importation est en cours", 6},
        {-1, true, "La préparation de l'importation est en cours", 0},
        {1, false,
         "Une importation est en cours : 1 ligne sur 2 a déjà été transmise à la "
         "ledgra (ligne 1 du fichier)",
         6},
        {1, true, "Une importation est en cours : 1 ligne sur 2", 4},
    };
    for (const auto& c : cas) {
        Poste p;
        FenetreInventaire& f = *p.fenetre;
        f.Txtsociete->setText("SOC");
        f.Txtdepot->setText("D1");
        p.Fichiers("3012;4;\r\nZZ;1;\r\nB7;2;\r\n");
        QSignalSpy fin(&f, &FenetreInventaire::importTermine);
        p.Valider()->trigger();
        ASSERT_TRUE(TourneJusqua(
            [&] { return p.script.appels.filter("InventaireArticle").size() >= c.lignesAvant; }));
        const QStringList avant = p.script.appels;
        // The user takes a while to answer, and the event loop turns meanwhile.
        QStringList pendant;
        p.dialogues.PendantQuestion([&] {
            TourneBoucle(50);
            pendant = p.script.appels;
        });
        p.dialogues.PrepareOui(c.oui);
        EXPECT_EQ(f.close(), c.oui);
        ASSERT_EQ(p.dialogues.Journal().back().genre, DialoguesScriptes::Genre::Question);
        EXPECT_TRUE(p.dialogues.Journal().back().texte.startsWith(c.debutQuestion))
            << p.dialogues.Journal().back().texte.toStdString();
        EXPECT_EQ(pendant, avant) << "nothing is posted while the question is open";
        EXPECT_EQ(f.EnCours(), !c.oui);
        if (!c.oui) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return fin.size() == 1; }, 10000));
        } else {
            TourneBoucle(50);
        }
        EXPECT_EQ(p.script.appels, QStringList(tout, tout + c.appelsFinaux));
    }
}

TEST(FenetreInventaire, TheProgramShowsItsWindowOnTheDisplayAndSavesItsSettings) {
    DossierTallyraTest d;
    d.Ecrit(kParametresIni, "[Societe]\r\nSociete=SOC\r\nLedgra=2\r\n");
    QProcess tallyra;
    tallyra.start(QStringLiteral(TALLYRA_EXE), {"--dir", d.dir.path()});
    ASSERT_TRUE(tallyra.waitForStarted());
    // The window appears on the X server, found by its title as a user's tools find it.
    QString id;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QProcess xdotool;
            xdotool.start("xdotool", {"search", "--onlyvisible", "--name", "Inventaire Ostrak"});
            xdotool.waitForFinished();
            id = QString::fromLocal8Bit(xdotool.readAllStandardOutput()).trimmed();
            return !id.isEmpty();
        },
        10000));
    // Qt's own buttons and file dialog speak French: the program holds Qt's French catalog.
    QFile carte(QStringLiteral("/proc/%1/maps").arg(tallyra.processId()));
    ASSERT_TRUE(carte.open(QIODevice::ReadOnly));
    EXPECT_TRUE(carte.readAll().contains("/qtbase_fr.qm"));
    tallyra.terminate();
    EXPECT_TRUE(tallyra.waitForFinished(5000));
    EXPECT_EQ(LireIni(d.Chemin(kParametresIni), "Societe", "Societe"), "SOC"); // left as it was
}
