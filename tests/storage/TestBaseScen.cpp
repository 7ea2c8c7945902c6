#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/GestionScenarios.h"
#include "support/DossierTest.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <functional>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

NouveauScenario Emulation(const QString& nom) {
    return {nom, kTypeEmulation, 0, false, QString()};
}

} // namespace

TEST(BaseScen, ANewFileHasItsTablesAndOneCounterRow) {
    DossierTest d;
    {
        BaseScen base(d.Chemin("Scen.db"));
        EXPECT_TRUE(base.ListeNoms().isEmpty());
        EXPECT_EQ(base.LitCompteur(), qint16(1));
        base.EcritCompteur(41);
    }
    // Opening it again adds no row and keeps the value.
    BaseScen base(d.Chemin("Scen.db"));
    EXPECT_EQ(base.LitCompteur(), qint16(41));
}

TEST(BaseScen, NumbersFollowTheLargestAndAreReused) {
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    EXPECT_EQ(base.ProchainNumero(), 1);
    EXPECT_EQ(CreeScenario(base, Emulation("A")), 1);
    EXPECT_EQ(CreeScenario(base, Emulation("B")), 2);
    EXPECT_EQ(CreeScenario(base, Emulation("C")), 3);
    base.SupprimeScenario(3);
    EXPECT_EQ(CreeScenario(base, Emulation("D")), 3);
    base.SupprimeScenario(1);
    EXPECT_EQ(CreeScenario(base, Emulation("E")), 4);
    EXPECT_EQ(base.ListeNoms(), (QStringList{"B", "D", "E"}));
}

TEST(BaseScen, TextsWithApostrophesAndQuotesAreStoredAsTyped) {
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    const QString nom = "L'entrée 'Dépôt'); DROP TABLE Scenarios; --";
    const qint16 n = CreeScenario(base, {nom, kTypeFichier, 3, true, "/tmp/l'export/o'k.txt"});
    AjouteAction(base, n, "'; DELETE FROM Actions; '", 2);
    base.MetAJourChemin(n, "C:\\Sorties\\aujourd'hui.txt");

    EXPECT_EQ(base.NumeroParNom(nom), n);
    EXPECT_EQ(base.NomParNumero(n), nom);
    const auto ligne = base.LitScenario(n);
    ASSERT_TRUE(ligne);
    EXPECT_EQ(ligne->Chemin, "C:\\Sorties\\aujourd'hui.txt");
    EXPECT_EQ(ligne->Type, "Fichier");
    EXPECT_EQ(ligne->Trame, 1);
    EXPECT_EQ(ligne->NbrTrame, 3);
    EXPECT_EQ(ligne->Specif, 1);
    const auto actions = base.Actions(n);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].Champs, "'; DELETE FROM Actions; '");
    EXPECT_EQ(actions[0].PlaceTrame, 2);
}

TEST(BaseScen, DeletingAScenarioRemovesItsActionsOnly) {
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    const qint16 a = CreeScenario(base, Emulation("A"));
    const qint16 b = CreeScenario(base, Emulation("B"));
    AjouteAction(base, a, "&CODE", 0);
    AjouteAction(base, b, "&QTY", 0);
    base.SupprimeScenario(a);
    EXPECT_TRUE(base.Actions(a).empty());
    EXPECT_EQ(base.Actions(b).size(), 1u);
    EXPECT_FALSE(base.NomParNumero(a));
}

TEST(BaseScen, NullColumnsReadAsZeroAndEmpty) {
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    kovra::test::ExecuteSql(
        d.Chemin("Scen.db"),
        {"INSERT INTO Scenarios (Numero,Nom,Type,Trame,Specif,Chemin,NbrTrame,Boucle,Depart) "
         "VALUES (7,'N',NULL,NULL,NULL,NULL,NULL,NULL,'abc')",
         "INSERT INTO Actions (NumeroScen,NumAction,Champs,PlaceTrame) VALUES (7,1,NULL,NULL)"});
    const auto l = base.LitScenario(7);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Type, "");
    EXPECT_EQ(l->Trame, 0);
    EXPECT_EQ(l->Specif, 0);
    EXPECT_EQ(l->Chemin, "");
    EXPECT_EQ(l->NbrTrame, 0);
    EXPECT_EQ(l->Boucle, 0);
    EXPECT_EQ(l->Depart, 0);
    const auto actions = base.Actions(7);
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].Champs, "");
    EXPECT_EQ(actions[0].PlaceTrame, 0);
}

TEST(BaseScen, AFileThatIsNoDatabaseIsReported) {
    DossierTest d;
    d.Ecrit("Scen.db", QByteArray("Standard Jet DB, not SQLite").repeated(100));
    try {
        BaseScen base(d.Chemin("Scen.db"));
        FAIL() << "opened";
    } catch (const ErreurKovra& e) {
        EXPECT_TRUE(e.Message().contains(d.Chemin("Scen.db"))) << e.what();
    }
}

TEST(BaseScen, ACounterValueThatIsNoSixteenBitNumberIsAnErrorAndStaysAsItIs) {
    const struct {
        const char* valeur; // as SQL
        const char* code;   // empty: read as a number
        const char* dit;    // what the message names
        qint16 lu;
    } cas[] = {
        {"41", "", "", 41},
        {"-5", "", "", -5},
        {"'12'", "", "", 12}, // a number stored as text turns into a number in the column
        {"'abc'", "13", "« abc »", 0},
        {"''", "13", "«  »", 0},
        {"41.5", "13", "« 41.5 »", 0},
        {"x'0102'", "13", "données binaires", 0},
        {"NULL", "94", "Null", 0},
        {"32768", "6", "32768", 0},
        {"40000", "6", "40000", 0},
        {"-32769", "6", "-32769", 0},
    };
    for (const auto& c : cas) {
        DossierTest d;
        const QString chemin = d.Chemin("Scen.db");
        BaseScen(chemin).EcritCompteur(1);
        kovra::test::ExecuteSql(
            chemin,
            {QStringLiteral("UPDATE Increment SET NunInc=%1").arg(QString::fromUtf8(c.valeur))});
        BaseScen base(chemin);
        if (QByteArray(c.code).isEmpty()) {
            EXPECT_EQ(base.LitCompteur(), c.lu) << c.valeur;
            continue;
        }
        for (const auto& lecture : {std::function<void()>([&] { base.LitCompteur(); }),
                                    std::function<void()>([&] { base.AvanceCompteur(); })}) {
            try {
                lecture();
                ADD_FAILURE() << "read " << c.valeur;
            } catch (const ErreurKovra& e) {
                EXPECT_EQ(e.Code(), c.code) << c.valeur;
                EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.dit))) << e.what();
                EXPECT_TRUE(e.Message().contains("NunInc")) << e.what();
                EXPECT_TRUE(e.Message().contains(chemin)) << e.what();
            }
        }
        // Nothing was stored over it.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "brut");
        {
            db.setDatabaseName(chemin);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec("SELECT quote(NunInc) FROM Increment") && q.next());
            EXPECT_EQ(q.value(0).toString().toLower(), QString::fromUtf8(c.valeur).toLower())
                << c.valeur;
        }
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("brut");
    }
}

TEST(BaseScen, AMissingFileIsCreatedOnlyWhenAskedFor) {
    DossierTest d;
    const QString chemin = d.Chemin("Scen.db");
    try {
        BaseScen base(chemin, OuvertureBase::Existante);
        ADD_FAILURE() << "opened";
    } catch (const ErreurKovra& e) {
        EXPECT_TRUE(e.Message().contains(chemin)) << e.what();
        EXPECT_TRUE(e.Message().contains("ne la recrée pas vide")) << e.what();
    }
    EXPECT_FALSE(QFile::exists(chemin));
    BaseScen(chemin, OuvertureBase::CreeSiAbsente).EcritCompteur(41);
    EXPECT_EQ(BaseScen(chemin, OuvertureBase::Existante).LitCompteur(), qint16(41));
}

TEST(BaseScen, ADatabaseAnotherProgramHoldsIsBusyAtOnceWhenNotWaitedFor) {
    for (const char* debut : {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"}) {
        DossierTest d;
        const QString chemin = d.Chemin("Scen.db");
        BaseScen(chemin).EcritCompteur(41);
        kovra::test::VerrouBaseTest autre(chemin, debut);
        EXPECT_THROW(BaseScen(chemin, OuvertureBase::Existante, 0).AvanceCompteur(),
                     ErreurBaseOccupee)
            << debut;
        autre.Libere();
        EXPECT_EQ(BaseScen(chemin, OuvertureBase::Existante, 0).AvanceCompteur(), qint16(41));
        EXPECT_EQ(BaseScen(chemin).LitCompteur(), qint16(42));
    }
}

TEST(GestionScenarios, RefusesWhatWouldBreakTheCompiledFile) {
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    CreeScenario(base, Emulation("Inventaire"));
    const struct {
        NouveauScenario nouveau;
        const char* message;
    } cas[] = {
        {{"X", "", 0, false, ""}, "Vous devez préciser un type pour le scénario."},
        {{"X", "Clavier", 0, false, ""}, "Le type « Clavier » est inconnu"},
        {{"../X", kTypeFichier, 0, false, ""}, "ne peut pas servir de nom de fichier"},
        {{"inventaire", kTypeFichier, 0, false, ""},
         "Un scénario nommé « Inventaire » existe déjà."},
    };
    for (const auto& c : cas) {
        try {
            CreeScenario(base, c.nouveau);
            ADD_FAILURE() << "accepted " << c.nouveau.Nom.toStdString();
        } catch (const ErreurKovra& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.message))) << e.what();
        }
    }
    EXPECT_EQ(base.ListeNoms(), QStringList{"Inventaire"});
}
