#include "base/ErreurKovra.h"
#include "processing/Compteur.h"
#include "processing/FichierSortie.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/DossierTest.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

TEST(EcritFichier, NumberedOutputNeverWritesOverWhatAppearsMeanwhile) {
    // Another program takes the name between Kovra's choice of it and its write.
    const struct {
        const char* quoi;
        std::function<void(const QString&)> occupe;
    } cas[] = {
        {"file",
         [](const QString& c) {
             QFile f(c);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("autre");
         }},
        {"folder",
         [](const QString& c) {
             ASSERT_TRUE(QDir().mkdir(c));
         }},
        {"dangling link",
         [](const QString& c) {
             ASSERT_TRUE(QFile::link(c + ".absent", c));
         }},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        const QString dossier = t.dossier.Chemin("out/");
        QDir().mkpath(dossier);
        QStringList occupes;
        const QString ecrit =
            EcritNumerote(dossier, "Sortie.txt", "kovra", [&](const QString& candidat) {
                if (occupes.size() < 2) {
                    c.occupe(candidat);
                    occupes << candidat;
                }
            });
        EXPECT_EQ(ecrit, dossier + "Sortie2.txt") << c.quoi;
        EXPECT_EQ(t.dossier.Lit("out/Sortie2.txt"), "kovra") << c.quoi;
        for (const QString& o : occupes) {
            const QFileInfo info(o);
            QFile f(o);
            EXPECT_TRUE(info.isSymLink() || info.isDir() ||
                        (f.open(QIODevice::ReadOnly) && f.readAll() == "autre"))
                << c.quoi;
        }
        // Nothing else is left in the folder.
        EXPECT_EQ(
            QDir(dossier)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .size(),
            3)
            << c.quoi;
    }
}

TEST(EcritFichier, ConcurrentNumberedOutputsAllKeepTheirData) {
    DonneesTest t;
    const QString dossier = t.dossier.Chemin("out/");
    QDir().mkpath(dossier);
    constexpr int kEcrivains = 4;
    constexpr int kFichiers = 25;
    std::vector<std::thread> ecrivains;
    for (int e = 0; e < kEcrivains; ++e) {
        ecrivains.emplace_back([&, e] {
            for (int i = 0; i < kFichiers; ++i) {
                EXPECT_FALSE(EcritNumerote(dossier, "Sortie.txt", QByteArray::number(e * 1000 + i))
                                 .isEmpty());
            }
        });
    }
    for (std::thread& e : ecrivains) {
        e.join();
    }
    const QStringList fichiers = QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden |
                                                         QDir::System | QDir::NoDotAndDotDot);
    ASSERT_EQ(fichiers.size(), kEcrivains * kFichiers) << fichiers.join(" ").toStdString();
    QSet<QByteArray> contenus;
    for (int n = 0; n < kEcrivains * kFichiers; ++n) {
        contenus.insert(t.dossier.Lit("out/" + NomNumero("Sortie.txt", n)));
    }
    QSet<QByteArray> attendus;
    for (int e = 0; e < kEcrivains; ++e) {
        for (int i = 0; i < kFichiers; ++i) {
            attendus.insert(QByteArray::number(e * 1000 + i));
        }
    }
    EXPECT_EQ(contenus, attendus);
}

TEST(EcritFichier, OutputFilesGetTheModeOfAnyNewFile) {
    const struct {
        mode_t umask;
        bool numerote;
        int existant; // mode of a file already there, or -1
        mode_t attendu;
    } cas[] = {
        {022, true, -1, 0644},  {077, true, -1, 0600},    {002, true, 0600, 0664},
        {022, false, -1, 0644}, {022, false, 0640, 0640}, {077, false, 0644, 0644},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        const QString chemin = t.dossier.Chemin("out/Sortie.txt");
        if (c.existant >= 0) {
            t.dossier.Ecrit("out/Sortie.txt", "avant");
            ASSERT_EQ(chmod(chemin.toLocal8Bit().constData(), static_cast<mode_t>(c.existant)), 0);
        }
        const mode_t ancien = umask(c.umask);
        const bool ecrit = EcritFichier("x", ScenarioFichier(t, chemin, c.numerote), t.env);
        umask(ancien);
        ASSERT_TRUE(ecrit);
        // The numbered output is the newest file of the folder.
        const QString sortie =
            c.numerote && c.existant >= 0 ? t.dossier.Chemin("out/Sortie1.txt") : chemin;
        struct stat st {};
        ASSERT_EQ(stat(sortie.toLocal8Bit().constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, c.attendu)
            << std::oct << c.umask << " " << c.numerote << " " << c.existant;
    }
}

TEST(EcritFichier, NamesTheCharactersWindows1252LacksAndKeepsTheFrame) {
    DonneesTest t;
    const QString chemin = t.dossier.Chemin("Sortie.txt");
    const QString texte = QString::fromUtf16(u"a漢b😀漢é");
    EXPECT_FALSE(EcritFichier(texte, ScenarioFichier(t, chemin, false), t.env));
    EXPECT_EQ(t.dossier.Lit("Sortie.txt"), "a?b??\xE9");
    ASSERT_EQ(t.dialogues.Journal().size(), 2u);
    EXPECT_EQ(t.dialogues.Journal()[0].texte, "Fichier " + chemin + " : généré");
    EXPECT_EQ(t.dialogues.Journal()[1].texte,
              "Le fichier " + chemin +
                  QString::fromUtf16(u" porte « ? » à la place de caractères que Windows-1252 ne "
                                     u"peut pas contenir : « 漢 » (U+6F22), « 😀 » "
                                     u"(U+1F600)."));
    EXPECT_EQ(t.dialogues.Journal()[1].icone, Icone::Exclamation);
}

TEST(EcritFichier, ReadsItsPathAsTheCompiledFileHoldsIt) {
    // The compiled file holds "É€" in Windows-1252: bytes C9 80, which also read as UTF-8.
    DonneesTest t;
    t.dossier.Ecrit("donnees/Scenarios/Sortie.ini",
                    "[Type]\r\nType=Fichier\r\n[Fichier]\r\nChemin=" +
                        QFile::encodeName(t.dossier.Chemin("")) + "/\xC9\x80.txt\r\n");
    EtatScenario e;
    e.ScenarioActif = "Sortie";
    e.SortieFichier = true;
    ASSERT_TRUE(EcritFichier("x", e, t.env));
    EXPECT_TRUE(QFile::exists(t.dossier.Chemin(QString::fromUtf16(u"É€.txt"))));
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

TEST(EcritFichier, ALinkAtThePathIsReplacedNeverWrittenThrough) {
    const struct {
        const char* nom;
        const char* cible; // what the link names, beside the data folder
        bool cibleExiste;
        bool numerote;
        const char* sortie; // where the output goes
    } cas[] = {
        {"a link to another's file", "autre/Stock.txt", true, false, "out/Stock.txt"},
        {"a dangling link", "autre/absent.txt", false, false, "out/Stock.txt"},
        {"a link to a folder", "autre", true, false, "out/Stock.txt"},
        {"a link to a file, numbered", "autre/Stock.txt", true, true, "out/Stock1.txt"},
        {"a dangling link, numbered", "autre/absent.txt", false, true, "out/Stock1.txt"},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        t.dossier.Ecrit("autre/Stock.txt", "à root");
        QDir().mkpath(t.dossier.Chemin("out"));
        const QString lien = t.dossier.Chemin("out/Stock.txt");
        const QString cible = t.dossier.Chemin(c.cible);
        ASSERT_TRUE(QFile::link(cible, lien)) << c.nom;
        const EtatScenario e = ScenarioFichier(t, lien, c.numerote);
        ASSERT_TRUE(EcritFichier("x", e, t.env)) << c.nom;
        const QFileInfo sortie(t.dossier.Chemin(c.sortie));
        EXPECT_FALSE(sortie.isSymLink()) << c.nom;
        EXPECT_TRUE(sortie.isFile()) << c.nom;
        EXPECT_EQ(t.dossier.Lit(c.sortie), "x") << c.nom;
        // The link's target is as it was.
        EXPECT_EQ(t.dossier.Lit("autre/Stock.txt"), "à root") << c.nom;
        EXPECT_EQ(QFileInfo::exists(cible), c.cibleExiste) << c.nom;
        EXPECT_EQ(QDir(t.dossier.Chemin("autre")).entryList(QDir::Files), QStringList{"Stock.txt"})
            << c.nom;
        // A numbered output leaves the link alone.
        EXPECT_EQ(QFileInfo(lien).isSymLink(), c.numerote) << c.nom;
        EXPECT_EQ(t.dialogues.Messages(), QStringList{"Fichier " + sortie.filePath() + " : généré"})
            << c.nom;
    }
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
    EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), std::nullopt);
    EXPECT_EQ(t.dialogues.Messages(), QStringList{"6 Dépassement de capacité"});
    EXPECT_EQ(t.dialogues.Journal()[0].icone, Icone::Aucune);
    EXPECT_EQ(BaseScen(t.Chemin(kScenDb)).LitCompteur(), qint16(32767));

    DonneesTest u;
    QFile::remove(u.Chemin(kScenDb));
    QDir().mkpath(u.Chemin(kScenDb)); // a folder where the database should be
    EXPECT_EQ(CompteurSuivant(u.donnees, u.dialogues), std::nullopt);
    ASSERT_EQ(u.dialogues.Messages().size(), 1);
    EXPECT_TRUE(u.dialogues.Messages()[0].contains("Scen.db"));
}

TEST(CompteurSuivant, AValueThatIsNoSixteenBitNumberNeverRestartsTheCounter) {
    for (const char* valeur : {"'abc'", "NULL", "x'00'", "40000"}) {
        DonneesTest t;
        kovra::test::ExecuteSql(t.Chemin(kScenDb),
                                {QStringLiteral("UPDATE Increment SET NunInc=") + valeur});
        EXPECT_EQ(CompteurSuivant(t.donnees, t.dialogues), std::nullopt) << valeur;
        ASSERT_EQ(t.dialogues.Messages().size(), 1) << valeur;
        EXPECT_TRUE(t.dialogues.Messages()[0].contains("NunInc")) << valeur;
        EXPECT_THROW(BaseScen(t.Chemin(kScenDb)).LitCompteur(), ErreurKovra) << valeur;
    }
}

TEST(CompteurSuivant, ALockedDatabaseAnswersAtOnceWhenNotWaitedFor) {
    DonneesTest t;
    BaseScen(t.Chemin(kScenDb)).EcritCompteur(41);
    {
        kovra::test::VerrouBaseTest autre(t.Chemin(kScenDb), "BEGIN EXCLUSIVE");
        const PriseCompteur prise = PrendCompteur(t.donnees, 0);
        EXPECT_EQ(prise.valeur, std::nullopt);
        EXPECT_TRUE(prise.occupee);
    }
    EXPECT_EQ(PrendCompteur(t.donnees, 0).valeur, "41");
}
