#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/ExporteScenario.h"
#include "storage/FichierProfil.h"
#include "storage/GestionScenarios.h"
#include "storage/ScenarioActif.h"
#include "support/DossierTest.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;

namespace {

struct Base {
    DonneesTest t;
    BaseScen base{t.Chemin("Scen.db")};

    QByteArray Compile(const QString& nom) {
        return t.dossier.Lit("donnees/Scenarios/" + nom + ".ini");
    }
};

} // namespace

TEST(ExporteScenario, WritesEveryKeyInOrderWithActionsRenumbered) {
    const struct {
        const char* type;
        int places[3];
        QByteArray attendu;
    } cas[] = {
        {"Emulation",
         {0, 0, 0},
         "[Type]\r\nType=Emulation\r\n[Ligne]\r\nChamps=&CODE@{TAB}@&QTY@\r\n[Boucle]\r\nIndex="
         "1\r\n"
         "[Depart]\r\nIndex=2\r\n[Trame]\r\nTrame=\r\n[Partiel]\r\nChoix=1\r\nNbr=5\r\n"
         "[Mat]\r\nSpecif=1\r\n"},
        {"Emulation",
         {4, 0, 2},
         "[Type]\r\nType=Emulation\r\n[Ligne]\r\nChamps=&CODE@{TAB}@&QTY@\r\n[Boucle]\r\nIndex="
         "1\r\n"
         "[Depart]\r\nIndex=2\r\n[Trame]\r\nTrame=4@2@\r\n[Partiel]\r\nChoix=1\r\nNbr=5\r\n"
         "[Mat]\r\nSpecif=1\r\n"},
        {"Fichier",
         {3, 1, 2},
         "[Type]\r\nType=Fichier\r\n[Ligne]\r\nChamps=&CODE@{TAB}@&QTY@\r\n[Boucle]\r\nIndex=1\r\n"
         "[Depart]\r\nIndex=2\r\n[Trame]\r\nTrame=3@1@2@\r\n[Partiel]\r\nChoix=1\r\nNbr=5\r\n"
         "[Mat]\r\nSpecif=1\r\n[Fichier]\r\nChemin=/srv/sorties/l'inventaire.txt\r\n"},
    };
    for (const auto& c : cas) {
        Base b;
        const qint16 n =
            CreeScenario(b.base, {"Dépôt", c.type, 5, true, "/srv/sorties/l'inventaire.txt"});
        b.base.MetAJourBoucle(n, 1);
        b.base.MetAJourDepart(n, 2);
        // Added out of order, with gaps.
        b.base.InsereAction(n, 9, "&QTY", c.places[2]);
        b.base.InsereAction(n, 2, "&CODE", c.places[0]);
        b.base.InsereAction(n, 5, "{TAB}", c.places[1]);
        ExporteScenario(b.base, b.t.donnees, n);
        EXPECT_EQ(b.Compile("Dépôt"), c.attendu) << c.type;
        QList<qint16> numeros;
        for (const LigneAction& a : b.base.Actions(n)) {
            numeros << a.NumAction;
        }
        EXPECT_EQ(numeros, (QList<qint16>{1, 2, 3}));
    }
}

TEST(ExporteScenario, RebuildsTheFileFromNothing) {
    Base b;
    const qint16 n = CreeScenario(b.base, {"Vide", kTypeEmulation, 0, false, "/ignoré.txt"});
    b.t.dossier.Ecrit("donnees/Scenarios/Vide.ini",
                      "[Fichier]\r\nChemin=vieux\r\n[Autre]\r\nx=1\r\n");
    ExporteScenario(b.base, b.t.donnees, n);
    EXPECT_EQ(b.Compile("Vide"),
              "[Type]\r\nType=Emulation\r\n[Ligne]\r\nChamps=\r\n[Boucle]\r\nIndex=0\r\n"
              "[Depart]\r\nIndex=0\r\n[Trame]\r\nTrame=\r\n[Partiel]\r\nChoix=0\r\nNbr=0\r\n"
              "[Mat]\r\nSpecif=0\r\n");
}

TEST(ExporteScenario, ReadsNullColumnsAsZeroAndEmpty) {
    Base b;
    kovra::test::ExecuteSql(
        b.t.Chemin("Scen.db"),
        {"INSERT INTO Scenarios (Numero,Nom,Type,Trame,Specif,Chemin,NbrTrame,Boucle,Depart) "
         "VALUES (4,'Nuls',NULL,NULL,NULL,NULL,NULL,NULL,NULL)",
         "INSERT INTO Actions VALUES (4,2,'&QTY',NULL)"});
    ExporteScenario(b.base, b.t.donnees, 4);
    EXPECT_EQ(b.Compile("Nuls"),
              "[Type]\r\nType=\r\n[Ligne]\r\nChamps=&QTY@\r\n[Boucle]\r\nIndex=0\r\n"
              "[Depart]\r\nIndex=0\r\n[Trame]\r\nTrame=\r\n[Partiel]\r\nChoix=0\r\nNbr=0\r\n"
              "[Mat]\r\nSpecif=0\r\n");
}

TEST(ExporteScenario, RoundTripsThroughTheLoader) {
    Base b;
    const qint16 n = CreeScenario(b.base, {"Aller-retour", kTypeFichier, 4, true, "/tmp/s.txt"});
    AjouteAction(b.base, n, "&EMP", 3);
    AjouteAction(b.base, n, "Texte libre é", 0);
    // Windows-1252 bytes C9 80 that also read as UTF-8 ("ɀ").
    AjouteAction(b.base, n, "É€", 0);
    AjouteAction(b.base, n, "&QTY", 1);
    ExporteScenario(b.base, b.t.donnees, n);
    EtatScenario etat;
    InfoBulleMuette bulle;
    ChargeScenario(etat, "Aller-retour", b.t.donnees, bulle, 1);
    EXPECT_EQ(etat.ListeActions, (QStringList{"", "&EMP", "Texte libre é", "É€", "&QTY"}));
    EXPECT_TRUE(etat.SortieFichier);
    EXPECT_TRUE(etat.FichierNumerote);
    EXPECT_EQ(etat.ChoixPartiel, 1);
    ASSERT_EQ(etat.PlacesTrame.size(), 3u);
    EXPECT_EQ(etat.PlacesTrame[1].Place, 3);
    EXPECT_EQ(etat.PlacesTrame[2].Place, 1);
}

TEST(ExporteScenario, KeepsEveryActionOrRefusesTheScenario) {
    Base b;
    const qint16 n = CreeScenario(b.base, {"Blancs", kTypeEmulation, 0, false, ""});
    AjouteAction(b.base, n, " ", 0);
    AjouteAction(b.base, n, "&CODE", 0);
    AjouteAction(b.base, n, " fin ", 0);
    ExporteScenario(b.base, b.t.donnees, n);
    EtatScenario etat;
    InfoBulleMuette bulle;
    ChargeScenario(etat, "Blancs", b.t.donnees, bulle, 1);
    EXPECT_EQ(etat.ListeActions, (QStringList{"", " ", "&CODE", " fin "}));

    // What would cut the list or be lost is refused, with the scenario and action named.
    for (const char* action : {"", "a@b", "ligne\ncoupée"}) {
        EXPECT_THROW(AjouteAction(b.base, n, QString::fromUtf8(action), 0), ErreurKovra) << action;
    }
    const qint16 m = CreeScenario(b.base, {"Refus", kTypeEmulation, 0, false, ""});
    const struct {
        const char* sql;
        const char* message;
    } cas[] = {
        {"INSERT INTO Actions VALUES (%1,1,NULL,0)", "action 1 : une action ne peut pas être vide"},
        {"INSERT INTO Actions VALUES (%1,1,'a@b',0)", "ne peut pas contenir « @ »"},
        {"INSERT INTO Actions VALUES (%1,1,'Łódź',0)", "Windows-1252"},
    };
    for (const auto& c : cas) {
        kovra::test::ExecuteSql(b.t.Chemin("Scen.db"),
                                {"DELETE FROM Actions", QString(c.sql).arg(m)});
        try {
            ExporteScenario(b.base, b.t.donnees, m);
            ADD_FAILURE() << c.sql;
        } catch (const ErreurKovra& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.message))) << e.what();
            EXPECT_TRUE(e.Message().contains("Refus")) << e.what();
        }
    }
    EXPECT_FALSE(QFile::exists(b.t.Chemin("Scenarios/Refus.ini")));
}

TEST(ExporteScenario, RefusesNumbersWithoutRowAndNamesThatLeaveTheFolder) {
    Base b;
    kovra::test::ExecuteSql(b.t.Chemin("Scen.db"), {"INSERT INTO Scenarios (Numero,Nom,Type) "
                                                    "VALUES (2,'../../dehors','Emulation')"});
    for (const qint16 n : {qint16(1), qint16(2)}) {
        EXPECT_THROW(ExporteScenario(b.base, b.t.donnees, n), ErreurKovra);
    }
    EXPECT_TRUE(QDir(b.t.Chemin("Scenarios")).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFile::exists(b.t.dossier.Chemin("dehors.ini")));
}

TEST(ExporteScenario, NeverLetsAReadingCutTheLists) {
    // A reading of the compiled file returns 2054 characters of a value at most.
    const QString action(49, u'x'); // 50 characters with its "@"
    Base b;
    const qint16 n = CreeScenario(b.base, {"Long", kTypeFichier, 0, false, "/tmp/s.txt"});
    for (int i = 0; i < 41; ++i) {
        AjouteAction(b.base, n, action, 0);
    }
    try {
        AjouteAction(b.base, n, "&FIN", 0);
        ADD_FAILURE();
    } catch (const ErreurKovra& e) {
        EXPECT_EQ(e.Message(),
                  "Action refusée : avec elle, la liste des actions compterait 2055 "
                  "caractères dans le fichier du scénario, qui en garde 2054 au plus.");
    }
    ASSERT_EQ(b.base.Actions(n).size(), 41u);
    AjouteAction(b.base, n, "&FI", 0); // exactly 2054
    ExporteScenario(b.base, b.t.donnees, n);
    EtatScenario etat;
    InfoBulleMuette bulle;
    ChargeScenario(etat, "Long", b.t.donnees, bulle, 1);
    EXPECT_EQ(etat.NombreActions(), 42);
    EXPECT_EQ(etat.ListeActions.back(), "&FI");

    // What another program put in the database is refused at the export, whole.
    const struct {
        const char* sql;
        const char* message;
    } cas[] = {
        {"INSERT INTO Actions VALUES (%1,100,'&TROP',0)", "la liste des actions compterait 2060"},
        {"UPDATE Scenarios SET Chemin='/' || substr(hex(zeroblob(1030)), 1, 2060) "
         "WHERE Numero=%1",
         "le chemin du fichier de sortie compterait 2061"},
    };
    for (const auto& c : cas) {
        kovra::test::ExecuteSql(b.t.Chemin("Scen.db"), {QString(c.sql).arg(n)});
        try {
            ExporteScenario(b.base, b.t.donnees, n);
            ADD_FAILURE() << c.sql;
        } catch (const ErreurKovra& e) {
            EXPECT_TRUE(e.Message().startsWith(QString("Scénario « Long » : ") + c.message))
                << e.what();
        }
        kovra::test::ExecuteSql(b.t.Chemin("Scen.db"),
                                {QString("DELETE FROM Actions WHERE Champs='&TROP'")});
    }
    // Places of two digits: "99@" for each action "a@" makes the places the longer list.
    const qint16 m = CreeScenario(b.base, {"Places", kTypeEmulation, 99, false, ""});
    kovra::test::ExecuteSql(b.t.Chemin("Scen.db"),
                            {QString("WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                     "FROM c WHERE i < 684) "
                                     "INSERT INTO Actions SELECT %1, i, 'a', 99 FROM c")
                                 .arg(m)});
    EXPECT_THROW(AjouteAction(b.base, m, "a", 99), ErreurKovra); // 2055
    EXPECT_NO_THROW(AjouteAction(b.base, m, "a", 0));
    // The output path is checked when the scenario is made.
    EXPECT_THROW(CreeScenario(b.base, {"Chemin", kTypeFichier, 0, false, QString(2055, u'c')}),
                 ErreurKovra);
}

TEST(ExporteScenario, OutputPathsComeBackAsTyped) {
    for (const QString& chemin : {QStringLiteral(" /tmp/devant.txt"),
                                  QStringLiteral("/tmp/derrière.txt "), QStringLiteral("'x'")}) {
        Base b;
        const qint16 n = CreeScenario(b.base, {"Chemin", kTypeFichier, 0, false, chemin});
        ExporteScenario(b.base, b.t.donnees, n);
        EXPECT_EQ(LireIni(b.t.Chemin("Scenarios/Chemin.ini"), "Fichier", "Chemin"), chemin);
    }
}
