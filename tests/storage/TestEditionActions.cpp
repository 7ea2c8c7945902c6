#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/EditionActions.h"
#include "storage/GestionScenarios.h"
#include "support/DossierTest.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

// A scenario with the actions a1..a5 (a3 takes field 3 of the frame), loop 4 and start 2,
// beside another scenario that no change may touch.
struct Scenario {
    DossierTest d;
    BaseScen base{d.Chemin("Scen.db")};
    qint16 numero = CreeScenario(base, {"Édition", kTypeEmulation, 3, false, QString()});
    qint16 autre = CreeScenario(base, {"Autre", kTypeEmulation, 0, false, QString()});

    Scenario() {
        for (int i = 1; i <= 5; ++i) {
            AjouteAction(base, numero, QStringLiteral("a%1").arg(i), i == 3 ? 3 : 0);
        }
        AjouteAction(base, autre, "&CODE", 0);
        AjouteAction(base, autre, "&QTY", 0);
        base.MetAJourBoucle(numero, 4);
        base.MetAJourDepart(numero, 2);
    }

    // The rows as "number:text" or "number:text@place" when the place is not 0.
    QStringList Lignes(qint16 n) {
        QStringList l;
        for (const LigneAction& a : base.Actions(n)) {
            l << QStringLiteral("%1:%2").arg(a.NumAction).arg(a.Champs) +
                     (a.PlaceTrame != 0 ? QStringLiteral("@%1").arg(a.PlaceTrame) : QString());
        }
        return l;
    }

    void VerifieInchanges(const std::string& etape) {
        EXPECT_EQ(Lignes(autre), (QStringList{"1:&CODE", "2:&QTY"})) << etape;
        const auto l = base.LitScenario(numero);
        ASSERT_TRUE(l);
        EXPECT_EQ(l->Boucle, 4) << etape;
        EXPECT_EQ(l->Depart, 2) << etape;
    }
};

using Operation = std::function<void(Scenario&)>;

struct Etape {
    const char* nom;
    Operation operation;
    QStringList attendu; // the scenario's rows afterwards
};

void Deroule(const std::vector<Etape>& etapes) {
    Scenario s;
    for (const Etape& e : etapes) {
        e.operation(s);
        EXPECT_EQ(s.Lignes(s.numero), e.attendu) << e.nom;
        s.VerifieInchanges(e.nom);
    }
}

} // namespace

TEST(EditionActions, SequencesKeepTheActionsNumberedOneToN) {
    const QStringList depart = {"1:a1", "2:a2", "3:a3@3", "4:a4", "5:a5"};
    // Removing action 2 of 1..5 leaves 1..4, the former 3..5 moving down.
    Deroule({
        {"remove 2",
         [](Scenario& s) { RetireAction(s.base, s.numero, 2); },
         {"1:a1", "2:a3@3", "3:a4", "4:a5"}},
        {"remove the last",
         [](Scenario& s) { RetireAction(s.base, s.numero, 4); },
         {"1:a1", "2:a3@3", "3:a4"}},
        {"remove the first",
         [](Scenario& s) { RetireAction(s.base, s.numero, 1); },
         {"1:a3@3", "2:a4"}},
        {"remove all",
         [](Scenario& s) {
             RetireAction(s.base, s.numero, 2);
             RetireAction(s.base, s.numero, 1);
         },
         {}},
        {"insert into an empty scenario",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 1, "seul", 0); },
         {"1:seul"}},
    });
    // Inserting before action 1 moves every action one number up.
    Deroule({
        {"insert before 1",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 1, "&EMP", 2); },
         {"1:&EMP@2", "2:a1", "3:a2", "4:a3@3", "5:a4", "6:a5"}},
        {"insert in the middle",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 4, "{TAB}", 0); },
         {"1:&EMP@2", "2:a1", "3:a2", "4:{TAB}", "5:a3@3", "6:a4", "7:a5"}},
        {"insert after the last",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 8, "fin", 0); },
         {"1:&EMP@2", "2:a1", "3:a2", "4:{TAB}", "5:a3@3", "6:a4", "7:a5", "8:fin"}},
        {"remove what was inserted",
         [](Scenario& s) {
             RetireAction(s.base, s.numero, 8);
             RetireAction(s.base, s.numero, 4);
             RetireAction(s.base, s.numero, 1);
         },
         depart},
    });
    // Editing keeps the place unless one is given; apostrophes are ordinary characters.
    Deroule({
        {"edit the text",
         [](Scenario& s) { EditeAction(s.base, s.numero, 3, "&QTY", std::nullopt); },
         {"1:a1", "2:a2", "3:&QTY@3", "4:a4", "5:a5"}},
        {"edit text and place",
         [](Scenario& s) { EditeAction(s.base, s.numero, 1, "&CODE", 5); },
         {"1:&CODE@5", "2:a2", "3:&QTY@3", "4:a4", "5:a5"}},
        {"clear a place",
         [](Scenario& s) { EditeAction(s.base, s.numero, 3, "l'article", 0); },
         {"1:&CODE@5", "2:a2", "3:l'article", "4:a4", "5:a5"}},
        {"timer with its pause",
         [](Scenario& s) { EditeAction(s.base, s.numero, 5, "&Timer 500", std::nullopt); },
         {"1:&CODE@5", "2:a2", "3:l'article", "4:a4", "5:&Timer 500"}},
    });
}

TEST(EditionActions, RefusalsChangeNothing) {
    const struct {
        const char* nom;
        Operation operation;
        const char* message;
    } cas[] = {
        {"empty", [](Scenario& s) { EditeAction(s.base, s.numero, 1, "", 0); },
         "une action ne peut pas être vide"},
        {"at sign", [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 1, "a@b", 0); },
         "« @ »"},
        {"line break", [](Scenario& s) { EditeAction(s.base, s.numero, 2, "a\nb", std::nullopt); },
         "une action tient sur une ligne"},
        {"not Windows-1252",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 2, "Łódź", 0); }, "Windows-1252"},
        {"not Windows-1252 appended", [](Scenario& s) { AjouteAction(s.base, s.numero, "€ ✓", 0); },
         "Windows-1252"},
        {"negative place", [](Scenario& s) { EditeAction(s.base, s.numero, 1, "&CODE", -1); },
         "de 0 à 32767"},
        {"place too high",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 1, "&CODE", 32768); },
         "de 0 à 32767"},
        {"edit 0", [](Scenario& s) { EditeAction(s.base, s.numero, 0, "x", 0); },
         "pas d'action numéro 0"},
        {"edit past the end", [](Scenario& s) { EditeAction(s.base, s.numero, 6, "x", 0); },
         "ses actions vont de 1 à 5"},
        {"remove past the end", [](Scenario& s) { RetireAction(s.base, s.numero, 6); },
         "pas d'action numéro 6"},
        {"remove -1", [](Scenario& s) { RetireAction(s.base, s.numero, -1); },
         "pas d'action numéro -1"},
        {"insert past the end",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 7, "x", 0); }, "de 1 à 6, pas 7"},
        {"insert 0", [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 0, "x", 0); },
         "de 1 à 6, pas 0"},
        {"list too long",
         [](Scenario& s) { InsereNouvelleAction(s.base, s.numero, 1, QString(2050, u'y'), 0); },
         "la liste des actions compterait"},
        {"edited list too long",
         [](Scenario& s) { EditeAction(s.base, s.numero, 5, QString(2050, u'y'), 0); },
         "la liste des actions compterait"},
        {"no such scenario", [](Scenario& s) { RetireAction(s.base, 99, 1); },
         "Le scénario numéro 99 n'existe pas."},
    };
    for (const auto& c : cas) {
        Scenario s;
        const QStringList avant = s.Lignes(s.numero);
        try {
            c.operation(s);
            ADD_FAILURE() << "accepted: " << c.nom;
        } catch (const ErreurKovra& e) {
            EXPECT_TRUE(e.Message().contains(QString::fromUtf8(c.message)))
                << c.nom << ": " << e.what();
        }
        EXPECT_EQ(s.Lignes(s.numero), avant) << c.nom;
        s.VerifieInchanges(c.nom);
    }
}

TEST(EditionActions, NumbersLeftWithGapsAreTakenInListOrder) {
    // Another program left the numbers 2, 5, 5, 9: number N is still the N-th line shown.
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    const qint16 n = CreeScenario(base, {"Trous", kTypeEmulation, 0, false, QString()});
    kovra::test::ExecuteSql(d.Chemin("Scen.db"), {"INSERT INTO Actions VALUES (1,9,'neuf',0)",
                                                  "INSERT INTO Actions VALUES (1,2,'deux',0)",
                                                  "INSERT INTO Actions VALUES (1,5,'cinq',0)",
                                                  "INSERT INTO Actions VALUES (1,5,'cinq bis',0)"});
    const auto lignes = [&] {
        QStringList l;
        for (const LigneAction& a : base.Actions(n)) {
            l << QString::number(a.NumAction) + ":" + a.Champs;
        }
        return l;
    };
    // A refusal leaves even the numbers alone.
    EXPECT_THROW(EditeAction(base, n, 4, "", std::nullopt), ErreurKovra);
    EXPECT_EQ(lignes(), (QStringList{"2:deux", "5:cinq", "5:cinq bis", "9:neuf"}));
    RetireAction(base, n, 3);
    EditeAction(base, n, 3, "NEUF", std::nullopt);
    EXPECT_EQ(lignes(), (QStringList{"1:deux", "2:cinq", "3:NEUF"}));
}

TEST(BaseScen, EachEditorChangeIsAllOrNothing) {
    // A renumbering that fails halfway must not leave the action deleted or inserted.
    const struct {
        const char* nom;
        std::function<void(BaseScen&)> operation;
    } cas[] = {
        {"delete",
         [](BaseScen& b) {
             b.SupprimeAction(1, 1);
         }},
        {"insert",
         [](BaseScen& b) {
             b.InsereActionAvant(1, 1, "nouvelle", 0);
         }},
        {"free a number",
         [](BaseScen& b) {
             b.LibereNumero(1, 1);
         }},
    };
    for (const auto& c : cas) {
        DossierTest d;
        BaseScen base(d.Chemin("Scen.db"));
        const qint16 n = CreeScenario(base, {"A", kTypeEmulation, 0, false, QString()});
        AjouteAction(base, n, "un", 0);
        AjouteAction(base, n, "deux", 0);
        kovra::test::ExecuteSql(d.Chemin("Scen.db"),
                                {"CREATE TRIGGER Bloque BEFORE UPDATE OF NumAction ON Actions "
                                 "BEGIN SELECT RAISE(ABORT, 'bloqué'); END"});
        EXPECT_THROW(c.operation(base), ErreurKovra) << c.nom;
        QStringList lignes;
        for (const LigneAction& a : base.Actions(n)) {
            lignes << QString::number(a.NumAction) + ":" + a.Champs;
        }
        EXPECT_EQ(lignes, (QStringList{"1:un", "2:deux"})) << c.nom;
    }
}

TEST(EditionActions, ListLinesAsTheActionWindowShowsThem) {
    DossierTest d;
    BaseScen base(d.Chemin("Scen.db"));
    const qint16 vide = CreeScenario(base, {"Vide", kTypeEmulation, 0, false, QString()});
    const qint16 plein = CreeScenario(base, {"Plein", kTypeFichier, 0, false, QString()});
    EXPECT_EQ(LignesListeActions(base, vide), QStringList{});
    for (const char* a : {"&CODE", "{TAB}", "l'été", "&Timer"}) {
        AjouteAction(base, plein, QString::fromUtf8(a), 0);
    }
    EXPECT_EQ(LignesListeActions(base, plein),
              (QStringList{"--- &CODE", "--- {TAB}", "--- l'été", "--- &Timer", "", "Boucle : 0",
                           "Départ : 0"}));
    base.MetAJourBoucle(plein, 12);
    base.MetAJourDepart(plein, 3);
    EXPECT_EQ(LignesListeActions(base, plein).mid(4),
              (QStringList{"", "Boucle : 12", "Départ : 3"}));
    // A scenario left with empty positions and an empty action by another program.
    kovra::test::ExecuteSql(d.Chemin("Scen.db"),
                            {"INSERT INTO Scenarios (Numero,Nom,Boucle,Depart) "
                             "VALUES (7,'Brut',NULL,NULL)",
                             "INSERT INTO Actions VALUES (7,1,NULL,0)"});
    EXPECT_EQ(LignesListeActions(base, 7), (QStringList{"--- ", "", "Boucle : 0", "Départ : 0"}));
    EXPECT_THROW(LignesListeActions(base, 99), ErreurKovra);
}
