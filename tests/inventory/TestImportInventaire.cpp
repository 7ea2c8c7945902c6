#include "OutilsTallyra.h"
#include "ServeurFactice.h"

#include "inventory/DossierTallyra.h"
#include "inventory/FichierErreurs.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace kovra;
using namespace kovra::tallyra;
using namespace kovra::tallyra::test;

namespace {

const QString kFin = QStringLiteral("Importation d'inventaire terminée ...");

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreeBaseArticles(d.Chemin(QStringLiteral("LedgC.db")),
                         {{QStringLiteral("A12"), QStringLiteral("3760001")},
                          {QStringLiteral("B'7"), QStringLiteral("3760002")},
                          {QStringLiteral("VIDE"), QString()},
                          {QStringLiteral("ZZ"), QStringLiteral("999")}});
    }

    DemandeImport Demande(qint16 edition = 1) const {
        return {QStringLiteral("SOC"),
                QStringLiteral("D1"),
                d.Chemin(QStringLiteral("inv.txt")),
                d.Chemin(QStringLiteral("LedgC.db")),
                edition,
                d.dir.path()};
    }

    BilanImport Importe(const QByteArray& fichier, qint16 edition = 1,
                        const QLocale& locale = QLocale(QLocale::French, QLocale::France)) {
        d.Ecrit(QStringLiteral("inv.txt"), fichier);
        return ImporteDemande(Demande(edition), locale);
    }

    BilanImport ImporteDemande(const DemandeImport& demande,
                               const QLocale& locale = QLocale(QLocale::French, QLocale::France)) {
        suivi = SuiviEnregistre();
        script.appels.clear();
        ImportInventaire import(demande, tenu, FabriqueFactice(script), suivi, locale);
        import.Execute();
        EXPECT_TRUE(import.Termine());
        return import.Bilan();
    }

    QStringList Lignes() const { return script.appels.filter(QStringLiteral("InventaireArticle")); }

    DossierTallyraTest d;
    ScriptLedgra script;
    ServeurTenu tenu;
    SuiviEnregistre suivi;
};

TEST_F(ImportTest, NormalFilePostsTheFoundCodesInOrderAndValidates) {
    const BilanImport b = Importe("3760001;3;\r\nA12;1 234,5;\r\nB'7;2;autre;\r\n");
    EXPECT_EQ(script.appels,
              QStringList({"<création Ledgra.ClsProjet>", "Init(SOC||)", "InitInventaire(D1)",
                           "InventaireArticle(D1|A12|3)", "InventaireArticle(D1|A12|1234,5)",
                           "InventaireArticle(D1|B'7|2)", "ValidationInventaire(D1)"}));
    EXPECT_TRUE(b.Complete());
    EXPECT_EQ(b.lignesPostees, 3);
    ASSERT_EQ(suivi.messages.size(), 1u);
    EXPECT_EQ(suivi.messages[0].first, kFin);
    EXPECT_EQ(suivi.messages[0].second, Icone::Aucune);
    EXPECT_EQ(suivi.bips, 1);
    EXPECT_EQ(suivi.etats,
              QStringList({"Préparation … 3 / 3", "Ouverture du serveur ...",
                           "Importation des données ...", "Fermeture du serveur ...", kFin}));
    EXPECT_EQ(suivi.progression, QList<int>({0, 33, 66, 100, 100}));
    EXPECT_FALSE(tenu.serveur) << "the closing step releases the server";
    EXPECT_FALSE(QFile::exists(d.Chemin(kErrInventaire)));
}

TEST_F(ImportTest, LinesCodesAndQuantitiesGiveTheseCalls) {
    struct Cas {
        const char* nom;
        QByteArray fichier;
        QStringList postes; // article|quantity of each InventaireArticle
        QStringList manquants;
    };
    const Cas cas[] = {
        {"LF", "A12;1;\nZZ;2;\n", {"A12|1", "ZZ|2"}, {}},
        {"lone CR", "A12;1;\rZZ;2;\r", {"A12|1", "ZZ|2"}, {}},
        {"mixed ends, last without",
         "A12;1;\r\nZZ;2;\rA12;3;\nZZ;4;",
         {"A12|1", "ZZ|2", "A12|3", "ZZ|4"},
         {}},
        {"blank lines skipped", "\r\nA12;1;\r\n\r\n  \t\r\nZZ;2;\r\n\r\n", {"A12|1", "ZZ|2"}, {}},
        {"unknown code listed, not posted", "NOPE;1;\nA12;2;\n", {"A12|2"}, {"NOPE"}},
        {"apostrophe is just a code", "B'7;5;\nX'Y;1;\n", {"B'7|5"}, {"X'Y"}},
        {"injection text is just a code", "' OR '1'='1;5;\nZZ;1;\n", {"ZZ|1"}, {"' OR '1'='1"}},
        {"case ignored", "a12;1;\nb'7;2;\nzz;3;\n", {"A12|1", "B'7|2", "ZZ|3"}, {}},
        {"empty code never matches an empty barcode",
         ";4;\nA12\nZZ;1;\n",
         {"ZZ|1"},
         {";4;", "A12"}},
        {"quantity without ; after it counts 0", "A12;3\nZZ;3;\n", {"A12|0", "ZZ|3"}, {}},
        {"quantities",
         "A12;12kg;\nA12;abc;\nA12;-0;\nA12;1\xE2\x80\xAF"
         "234,5;\nA12;+2.50;\n",
         {"A12|12", "A12|0", "A12|0", "A12|1234,5", "A12|2,5"},
         {}},
        {"barcode gives the code", "999;1;\n3760002;2;\n", {"ZZ|1", "B'7|2"}, {}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        QFile::remove(d.Chemin(kErrInventaire));
        const BilanImport b = Importe(c.fichier);
        QStringList postes;
        for (const QString& l : Lignes()) {
            postes << l.section(u'|', 1).chopped(1);
        }
        EXPECT_EQ(postes, c.postes);
        EXPECT_EQ(b.articlesManquants, c.manquants);
        EXPECT_EQ(b.issue, IssueImport::Validee);
        EXPECT_EQ(b.Complete(), c.manquants.isEmpty());
        EXPECT_EQ(script.appels.last(), "ValidationInventaire(D1)");
    }
}

TEST_F(ImportTest, QuantitiesFollowTheEnglishLocaleToo) {
    Importe("A12;1 234,5;\nA12;1,234.5;\nA12;7.25;\n", 1,
            QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(Lignes(),
              QStringList({"InventaireArticle(D1|A12|1234.5)", "InventaireArticle(D1|A12|1.234)",
                           "InventaireArticle(D1|A12|7.25)"}));
}

TEST_F(ImportTest, MissingArticlesAreListedAndNamedInTheLastMessage) {
    const BilanImport b = Importe("A12;1;\nINCONNU;2;\n\xE9t\xE9;3;\n");
    EXPECT_EQ(b.articlesManquants, QStringList({"INCONNU", "été"}));
    ASSERT_EQ(suivi.messages.size(), 2u);
    EXPECT_EQ(suivi.messages[1].first,
              "Certains articles n'ont pu être remontés. Vous trouverez une liste de ces "
              "articles dans le fichier\r\n\r\n" +
                  QDir::toNativeSeparators(d.Chemin(kErrInventaire)));
    EXPECT_EQ(suivi.messages[1].second, Icone::Critique);
    const QByteArray attendu =
        "Ce fichier contient les codes articles (ou codebarres) n'existant pas dans la "
        "ledgra\r\n\r\nL'article : INCONNU n'existe pas dans la ledgra en cours\r\n"
        "L'article : \xE9t\xE9 n'existe pas dans la ledgra en cours\r\n";
    EXPECT_EQ(d.Lit(kErrInventaire), attendu);

    // The next import appends, and starts with no article missing.
    Importe("NOPE;1;\n");
    EXPECT_EQ(d.Lit(kErrInventaire),
              attendu + "L'article : NOPE n'existe pas dans la ledgra en cours\r\n");
    Importe("A12;1;\n");
    EXPECT_EQ(suivi.messages.size(), 1u) << "missing articles are counted per import";
}

TEST_F(ImportTest, RefusedInventoryPostsNothingAndSaysSo) {
    for (const ResultatAppel& reponse :
         {ResultatAppel::Valeur(0), ResultatAppel::Valeur(1), ResultatAppel::Valeur(2)}) {
        script.reponseInitInventaire = reponse;
        const BilanImport b = Importe("A12;1;\n");
        EXPECT_EQ(script.appels, QStringList({"<création Ledgra.ClsProjet>", "Init(SOC||)",
                                              "InitInventaire(D1)"}));
        EXPECT_EQ(b.issue, IssueImport::Refusee);
        ASSERT_EQ(suivi.messages.size(), 1u);
        EXPECT_EQ(suivi.messages[0].first, "La ledgra a refusé d'ouvrir l'inventaire du dépôt D1 "
                                           ": aucune ligne n'a été transmise.");
        EXPECT_EQ(suivi.bips, 0);
        EXPECT_FALSE(tenu.serveur);
    }
}

TEST_F(ImportTest, ErrorAtLineNStopsThereAndSaysHowManyWerePosted) {
    script.echecALaLigne = 2;
    const BilanImport b = Importe("A12;1;\nZZ;2;\nA12;3;\n");
    EXPECT_EQ(script.appels.mid(1),
              QStringList({"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|1)",
                           "InventaireArticle(D1|ZZ|2)"}));
    EXPECT_EQ(b.issue, IssueImport::Erreur);
    EXPECT_EQ(b.lignesPostees, 1);
    ASSERT_EQ(suivi.messages.size(), 1u);
    EXPECT_EQ(suivi.messages[0].first,
              "Erreur dans votre fichier d'inventaire: InventaireArticle, ligne 2 du fichier : "
              "article bloqué\r\n\r\nLignes transmises à la ledgra : 1 sur 3.");
    EXPECT_EQ(suivi.messages[0].second, Icone::Critique);
    EXPECT_EQ(suivi.bips, 0);
    EXPECT_TRUE(tenu.serveur) << "kept after an error";
}

TEST_F(ImportTest, HeldServerIsReusedOnlyForTheSameEditionWhileAlive) {
    script.echecALaLigne = 1;
    Importe("A12;1;\n");
    ASSERT_EQ(script.creations, 1);
    script.echecALaLigne = 0;

    Importe("A12;1;\n"); // same edition, alive: reused, then released
    EXPECT_EQ(script.creations, 1);
    EXPECT_EQ(script.appels.front(), "Init(SOC||)");

    script.echecALaLigne = 1;
    Importe("A12;1;\n");
    script.echecALaLigne = 0;
    EXPECT_EQ(script.creations, 2);
    Importe("A12;1;\n", 2); // another edition
    EXPECT_EQ(script.creations, 3);
    EXPECT_EQ(script.appels.front(), "<création Ledgra8.ClsProjet>");

    script.echecALaLigne = 1;
    Importe("A12;1;\n");
    script.echecALaLigne = 0;
    script.vivant = false; // the server went away since
    Importe("A12;1;\n");
    EXPECT_EQ(script.creations, 5);
}

TEST_F(ImportTest, PreparationShowsWhereItStands) {
    QByteArray fichier;
    for (int i = 0; i < 5000; ++i) {
        fichier += i % 2 == 0 ? "A12;1;\n" : "zz;2;\n";
    }
    const BilanImport b = Importe(fichier);
    EXPECT_TRUE(b.Complete());
    EXPECT_EQ(suivi.etats.filter("Préparation"),
              QStringList({"Préparation … 2000 / 5000", "Préparation … 4000 / 5000",
                           "Préparation … 5000 / 5000"}));
    // The bar moves during the preparation, then again from the first line posted.
    EXPECT_EQ(suivi.progression.mid(0, 3), QList<int>({0, 40, 80}));
}

TEST_F(ImportTest, PreparationFailuresStopBeforeAnyCall) {
    struct Cas {
        const char* nom;
        std::function<void(DemandeImport&)> prepare;
        const char* extrait;
    };
    const Cas cas[] = {
        {"missing database",
         [&](DemandeImport& dm) { dm.baseLedgra = d.Chemin(QStringLiteral("absente.db")); },
         "n'existe pas"},
        {"not a database",
         [&](DemandeImport& dm) {
             d.Ecrit(QStringLiteral("faux.mdb"), QByteArray(4096, 'x'));
             dm.baseLedgra = d.Chemin(QStringLiteral("faux.mdb"));
         },
         "Article"},
        {"no Article table",
         [&](DemandeImport& dm) {
             d.Ecrit(QStringLiteral("vide.db"), QByteArray());
             dm.baseLedgra = d.Chemin(QStringLiteral("vide.db"));
         },
         "n'a pas de table Article"},
        {"unreadable inventory",
         [&](DemandeImport& dm) { dm.fichierInventaire = d.Chemin(QStringLiteral("non.txt")); },
         "ne peut pas être lu"},
        {"error file cannot be written",
         [&](DemandeImport& dm) {
             d.Ecrit(QStringLiteral("inv.txt"), "NOPE;1;\n");
             dm.dossier = d.Chemin(QStringLiteral("inv.txt")); // a file, not a folder
         },
         "ne peut pas être écrit"},
    };
    // Nothing to post: validating it would be validating an empty inventory.
    const struct {
        const char* nom;
        QByteArray fichier;
        const char* extrait;
    } vides[] = {
        {"empty file", "", "ne contient aucune ligne d'inventaire"},
        {"blank lines", "\r\n  \r\n\n", "ne contient aucune ligne d'inventaire"},
        {"no article found", "NOPE;1;\r\nRIEN;2;\r\n", "aucun article du fichier"},
        // Not nothing, but a quantity the management application would not hold exactly.
        {"quantity beyond 15 digits", "A12;1;\nZZ;1234567890123456;\n",
         "la quantité de la ligne 2 a plus de 15 chiffres"},
    };
    std::vector<Cas> tous(std::begin(cas), std::end(cas));
    for (const auto& v : vides) {
        tous.push_back(
            {v.nom, [&, f = v.fichier](DemandeImport&) { d.Ecrit("inv.txt", f); }, v.extrait});
    }
    for (const Cas& c : tous) {
        SCOPED_TRACE(c.nom);
        d.Ecrit(QStringLiteral("inv.txt"), "A12;1;\n");
        DemandeImport dm = Demande();
        c.prepare(dm);
        const BilanImport b = ImporteDemande(dm);
        EXPECT_TRUE(script.appels.isEmpty()) << script.appels.join(u' ').toStdString();
        EXPECT_EQ(b.issue, IssueImport::Erreur);
        ASSERT_EQ(suivi.messages.size(), 1u);
        EXPECT_TRUE(suivi.messages[0].first.startsWith("Erreur dans votre fichier d'inventaire: "));
        EXPECT_TRUE(suivi.messages[0].first.contains(QString::fromUtf8(c.extrait)))
            << suivi.messages[0].first.toStdString();
        EXPECT_TRUE(
            suivi.messages[0].first.endsWith("Aucune ligne n'a été transmise à la ledgra."));
    }
}

TEST_F(ImportTest, ServerThatCannotBeCreatedIsAnError) {
    script.refusCreation = QStringLiteral("le serveur Ledgra.ClsProjet ne peut pas être démarré");
    const BilanImport b = Importe("A12;1;\n");
    EXPECT_EQ(b.issue, IssueImport::Erreur);
    ASSERT_EQ(suivi.messages.size(), 1u);
    EXPECT_EQ(suivi.messages[0].first,
              "Erreur dans votre fichier d'inventaire: le serveur Ledgra.ClsProjet ne peut pas "
              "être démarré\r\n\r\nLignes transmises à la ledgra : 0 sur 1.");
}

TEST_F(ImportTest, RunOnTheEventLoopEndsWithFini) {
    d.Ecrit(QStringLiteral("inv.txt"), "A12;1;\nZZ;2;\n");
    ImportInventaire import(Demande(), tenu, FabriqueFactice(script), suivi);
    bool fini = false;
    QObject::connect(&import, &ImportInventaire::Fini, [&] { fini = true; });
    import.Lance();
    EXPECT_TRUE(script.appels.isEmpty()) << "nothing runs before the event loop turns";
    ASSERT_TRUE(TourneJusqua([&] { return fini; }));
    EXPECT_EQ(Lignes().size(), 2);
    EXPECT_TRUE(import.Bilan().Complete());
}

TEST_F(ImportTest, TheQuestionBeforeAbandoningNamesTheLinesAlreadyPosted) {
    const QString enCours = QStringLiteral("Une importation est en cours : ");
    const QString fin = QStringLiteral(" et y resteront sans être validées. Voulez-vous "
                                       "l'abandonner ?");
    QByteArray alterne; // found on odd lines, missing on even ones
    for (int i = 1; i <= 16; ++i) {
        alterne += i % 2 ? "A12;1;\n" : "NON;1;\n";
    }
    const struct {
        QByteArray fichier;
        int postees; // lines posted when the user closes; -1: still preparing
        QString question;
    } cas[] = {
        {"A12;1;\n", -1,
         "La préparation de l'importation est en cours : rien n'a encore été envoyé à la "
         "ledgra. Voulez-vous l'abandonner ?"},
        {"A12;1;\n", 0,
         enCours + "aucune ligne n'a encore été transmise à la ledgra. Voulez-vous "
                   "l'abandonner ?"},
        {"NON;1;\nA12;1;\n", 1,
         enCours + "1 ligne sur 1 a déjà été transmise à la ledgra (ligne 2 du fichier) et y "
                   "restera sans être validée. Voulez-vous l'abandonner ?"},
        {"NON;1;\nA12;1;\nA12;1;\nA12;1;\nNON;1;\nA12;1;\nA12;1;\n", 5,
         enCours +
             "5 lignes sur 5 ont déjà été transmises à la ledgra (lignes 2 à 4 et 6 à 7 "
             "du fichier)" +
             fin},
        {alterne, 8,
         enCours +
             "8 lignes sur 8 ont déjà été transmises à la ledgra (lignes 1, 3, 5, 7, 9, "
             "11 … jusqu'à 15 du fichier)" +
             fin},
    };
    for (const auto& c : cas) {
        d.Ecrit(QStringLiteral("inv.txt"), c.fichier);
        script.appels.clear();
        ImportInventaire import(Demande(), tenu, FabriqueFactice(script), suivi);
        if (c.postees >= 0) {
            while (!script.appels.contains("InitInventaire(D1)") || Lignes().size() < c.postees) {
                ASSERT_TRUE(import.AvanceUnPas());
            }
        }
        EXPECT_EQ(import.QuestionAbandon(), c.question) << c.fichier.toStdString();
        import.Abandonne();
        EXPECT_TRUE(import.Termine());
        EXPECT_FALSE(import.AvanceUnPas());
        EXPECT_EQ(import.Bilan().issue, IssueImport::Abandonnee);
        EXPECT_EQ(import.Bilan().lignesPostees, std::max(c.postees, 0));
        EXPECT_FALSE(script.appels.contains("ValidationInventaire(D1)"));
        EXPECT_FALSE(tenu.serveur) << "an abandoned import releases the server";
    }
}

TEST_F(ImportTest, NothingIsLostByClosingOnceValidated) {
    d.Ecrit(QStringLiteral("inv.txt"), "A12;1;\n");
    ImportInventaire import(Demande(), tenu, FabriqueFactice(script), suivi);
    while (!script.appels.contains("ValidationInventaire(D1)")) {
        ASSERT_TRUE(import.AvanceUnPas());
    }
    EXPECT_EQ(import.QuestionAbandon(), QString());
    import.Abandonne();
    EXPECT_EQ(import.Bilan().issue, IssueImport::Validee);
}

TEST_F(ImportTest, ASuspendedImportWaitsAndGoesOnWhereItStopped) {
    d.Ecrit(QStringLiteral("inv.txt"), "A12;1;\nZZ;2;\n");
    ImportInventaire import(Demande(), tenu, FabriqueFactice(script), suivi);
    bool fini = false;
    QObject::connect(&import, &ImportInventaire::Fini, [&] { fini = true; });
    import.Lance();
    ASSERT_TRUE(TourneJusqua([&] { return !Lignes().isEmpty(); }));
    import.Suspend();
    const QStringList avant = script.appels;
    TourneBoucle(50);
    EXPECT_EQ(script.appels, avant);
    import.Reprend();
    import.Reprend(); // a second resume does not run the steps twice
    ASSERT_TRUE(TourneJusqua([&] { return fini; }));
    EXPECT_EQ(Lignes().size(), 2);
    EXPECT_EQ(script.appels.filter("ValidationInventaire").size(), 1);
    EXPECT_TRUE(import.Bilan().Complete());
}

} // namespace
