#include "processing/Compteur.h"
#include "processing/FichierSortie.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/DossierTest.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace kovra;
using kovra::test::DonneesTest;

namespace {

// An active file scenario writing to `chemin`.
EtatScenario ScenarioFichier(DonneesTest& t, const QString& chemin, bool numerote) {
    const QString compile = t.Chemin("Scenarios/Sortie.ini");
    EcrireIni("Type", "Type", "Fichier", compile);
    EcrireIni("Fichier", "Chemin", chemin, compile);
    EtatScenario e;
    e.ScenarioActif = "Sortie";
    e.SortieFichier = true;
    e.FichierNumerote = numerote;
    return e;
}

} // namespace

TEST(EcritFichier, WritesTheTextUnchangedInWindows1252) {
    DonneesTest t;
    const QString chemin = t.dossier.Chemin("sorties/2026/stock.d/Sortie.txt");
    const EtatScenario e = ScenarioFichier(t, chemin, false);
    ASSERT_TRUE(EcritFichier("Réf;Qté\r\n12;3,5\r\n", e, t.env));
    EXPECT_EQ(t.dossier.Lit("sorties/2026/stock.d/Sortie.txt"), "R\xE9"
                                                                "f;Qt\xE9\r\n12;3,5\r\n");
    EXPECT_EQ(t.dialogues.Messages(), QStringList{"Fichier " + chemin + " : généré"});
    EXPECT_EQ(t.dialogues.Journal()[0].icone, Icone::Information);
    // Without numbering the next output replaces it.
    ASSERT_TRUE(EcritFichier("deux", e, t.env));
    EXPECT_EQ(t.dossier.Lit("sorties/2026/stock.d/Sortie.txt"), "deux");
}

TEST(EcritFichier, NumberedOutputNeverReplacesAFile) {
    const struct {
        const char* nom;
        QStringList attendus;
    } cas[] = {
        {"Sortie.txt", {"Sortie.txt", "Sortie1.txt", "Sortie2.txt"}},
        {"Sortie.2026.txt", {"Sortie.2026.txt", "Sortie1.2026.txt", "Sortie2.2026.txt"}},
        {"Sortie", {"Sortie", "Sortie1", "Sortie2"}},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        const EtatScenario e = ScenarioFichier(t, t.dossier.Chemin("out/") + c.nom, true);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(EcritFichier(QString::number(i), e, t.env));
        }
        EXPECT_EQ(QDir(t.dossier.Chemin("out")).entryList(QDir::Files, QDir::Name), [&] {
            QStringList l = c.attendus;
            l.sort();
            return l;
        }());
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(t.dossier.Lit("out/" + c.attendus[i]), QByteArray::number(i)) << c.nom;
        }
    }
}

TEST(EcritFichier, ARelativePathCountsFromTheDataFolder) {
    DonneesTest t;
    ASSERT_TRUE(EcritFichier("x", ScenarioFichier(t, "sorties\\jour.txt", false), t.env));
    EXPECT_EQ(t.dossier.Lit("donnees/sorties/jour.txt"), "x");
}

TEST(EcritFichier, SaysWhenTheFileCannotBeWritten) {
    DonneesTest t;
    t.dossier.Ecrit("fichier", "pas un dossier");
    const QString cas[] = {
        t.dossier.Chemin("fichier/Sortie.txt"), // folder cannot be made
        t.dossier.Chemin("Sortie/"),            // no file name
        "",                                     // no path at all
    };
    for (const QString& chemin : cas) {
        t.dialogues = {};
        EXPECT_FALSE(EcritFichier("x", ScenarioFichier(t, chemin, false), t.env));
        EXPECT_EQ(t.dialogues.Messages(),
                  QStringList{"Une erreur d'écriture de fichier vient de se produire. Votre "
                              "fichier n'a pas pu être créé"});
        EXPECT_EQ(t.dialogues.Journal()[0].icone, Icone::Exclamation);
    }
    EXPECT_EQ(t.dossier.Lit("fichier"), "pas un dossier");
}

TEST(EcritFichier, WritesPipesAndDevicesAsTheyAre) {
    DonneesTest t;
    ASSERT_EQ(mkfifo(t.dossier.Chemin("tube").toLocal8Bit().constData(), 0600), 0);
    QFile lecteur(t.dossier.Chemin("tube"));
    std::thread lecture([&] { lecteur.open(QIODevice::ReadOnly); });
    const EtatScenario e = ScenarioFichier(t, t.dossier.Chemin("tube"), false);
    // The reader opens the pipe while the writer opens it.
    EXPECT_TRUE(EcritFichier("vers le tube", e, t.env));
    lecture.join();
    EXPECT_EQ(lecteur.readAll(), "vers le tube");
    EXPECT_FALSE(QFileInfo(t.dossier.Chemin("tube")).isFile()); // still the pipe
}

TEST(FichierExiste, ComparesNamesExactly) {
    DonneesTest t;
    t.dossier.Ecrit("d/Sortie.txt", "");
    const QString d = t.dossier.Chemin("d/");
    EXPECT_TRUE(FichierExiste(d, "Sortie.txt"));
    EXPECT_FALSE(FichierExiste(d, "sortie.txt"));
    EXPECT_FALSE(FichierExiste(d, "Sortie"));
    EXPECT_FALSE(FichierExiste(t.dossier.Chemin(), "d"));
}

TEST(CompteurSuivant, HandsOutAndAdvancesTheStoredValue) {
    DonneesTest t;
    BaseScen(t.Chemin(kScenDb)).EcritCompteur(41);
    EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), "41");
    EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), "42");
    EXPECT_EQ(BaseScen(t.Chemin(kScenDb)).LitCompteur(), qint16(43));
    EXPECT_TRUE(t.dialogues.Journal().empty());
}

TEST(CompteurSuivant, AnEmptyTableGivesTenAndStaysEmpty) {
    DonneesTest t;
    kovra::test::ExecuteSql(t.Chemin(kScenDb), {"DELETE FROM Increment"});
    EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), "10");
    EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), "10");
    EXPECT_EQ(BaseScen(t.Chemin(kScenDb)).LitCompteur(), std::nullopt);
}

TEST(CompteurSuivant, AFailureIsShownAndInsertsNothing) {
    DonneesTest t;
    BaseScen(t.Chemin(kScenDb)).EcritCompteur(32767);
    EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), "");
    EXPECT_EQ(t.dialogues.Messages(), QStringList{"6 Dépassement de capacité"});
    EXPECT_EQ(t.dialogues.Journal()[0].icone, Icone::Aucune);
    EXPECT_EQ(BaseScen(t.Chemin(kScenDb)).LitCompteur(), qint16(32767));

    DonneesTest u;
    QFile::remove(u.Chemin(kScenDb));
    QDir().mkpath(u.Chemin(kScenDb)); // a folder where the database should be
    EXPECT_EQ(CompteurSuivant(u.donnees, u.dialogues), "");
    ASSERT_EQ(u.dialogues.Messages().size(), 1);
    EXPECT_TRUE(u.dialogues.Messages()[0].contains("Scen.db"));
}
