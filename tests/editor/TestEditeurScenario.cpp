// The scenario editor driven through its real windows: a double-click on a scenario of the
// settings window, picks in the picker, double-clicks and the context menu on the action
// list. After every step the list, the database rows and the compiled file must agree.
#include "edition/ItemsTouches.h"
#include "edition/ProprietesScenario.h"
#include "editor/EditeurScenario.h"
#include "editor/FenetreActions.h"
#include "editor/FenetreTest.h"
#include "editor/FenetreTouches.h"
#include "settings/FenetreParametrage.h"
#include "settings/PageScenarios.h"
#include "settings/PosteParametrage.h"
#include "storage/EditionActions.h"
#include "storage/ScenarioActif.h"
#include "support/Attente.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QToolBar>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

using namespace kovra;
using kovra::test::ExecuteSql;
using kovra::test::PosteParametrage;

namespace {

QStringList Textes(const QListWidget* liste) {
    QStringList t;
    for (int i = 0; i < liste->count(); ++i) {
        t << liste->item(i)->text();
    }
    return t;
}

// Double-clicks line `ligne` of a list as the user does (it is selected on the way).
void DoubleClique(QListWidget* liste, int ligne) {
    QListWidgetItem* item = liste->item(ligne);
    ASSERT_NE(item, nullptr) << ligne;
    liste->scrollToItem(item);
    const QPoint centre = liste->visualItemRect(item).center();
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(liste->viewport(), Qt::LeftButton, {}, centre);
}

// Clicks line `ligne` of the list, or clears the selection for -1.
void Selectionne(QListWidget* liste, int ligne) {
    if (ligne < 0) {
        liste->setCurrentRow(-1);
        liste->clearSelection();
        return;
    }
    ASSERT_LT(ligne, liste->count());
    liste->scrollToItem(liste->item(ligne));
    QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                      liste->visualItemRect(liste->item(ligne)).center());
}

// The right button on the action list, then the entry's access key in the menu it opens.
void Menu(FenetreActions& actions, Qt::Key touche) {
    QWidget* vue = actions.LstChamps->viewport();
    const QPoint pos(10, 10);
    QContextMenuEvent clic(QContextMenuEvent::Mouse, pos, vue->mapToGlobal(pos));
    QApplication::sendEvent(vue, &clic);
    ASSERT_TRUE(actions.mnuflottant->isVisible());
    QTest::keyClick(actions.mnuflottant, touche);
    EXPECT_FALSE(actions.mnuflottant->isVisible());
}

// The scenario's rows as "text:place", checking they are numbered 1 to N.
QStringList Rangees(const QString& base, qint16 numero) {
    BaseScen b(base);
    QStringList r;
    int attendu = 1;
    for (const LigneAction& a : b.Actions(numero)) {
        EXPECT_EQ(a.NumAction, attendu++) << a.Champs.toStdString();
        r << a.Champs + u':' + QString::number(a.PlaceTrame);
    }
    return r;
}

// The actions the list shows, in order.
QStringList ActionsMontrees(const QStringList& lignes) {
    QStringList a;
    for (const QString& l : lignes) {
        if (l.startsWith(QStringLiteral("--- "))) {
            a << l.mid(4);
        }
    }
    return a;
}

// The list of these actions as the editor shows it; an empty text is the line Insert made.
QStringList L(QStringList actions, int boucle = 0, int depart = 0) {
    for (QString& a : actions) {
        a = a.isEmpty() ? a : "--- " + a;
    }
    return actions +
           QStringList{"", QString("Boucle : %1").arg(boucle), QString("Départ : %1").arg(depart)};
}

struct Poste : PosteParametrage {
    // Opens the settings window, then the editor by a double-click on the scenario.
    EditeurScenario& Edite(const QString& nom) {
        FenetreParametrage& f = fenetre.isNull() ? Ouvre() : *fenetre;
        QListWidget* lst = f.scenarios->LstScen;
        const auto trouves = lst->findItems(LigneListeScenario(nom), Qt::MatchExactly);
        EXPECT_EQ(trouves.size(), 1) << nom.toStdString();
        DoubleClique(lst, lst->row(trouves.value(0)));
        return f.Editeur();
    }
    qint16 Numero(const QString& nom) {
        BaseScen b(t.Chemin(kScenDb));
        return b.NumeroParNom(nom).value_or(0);
    }
    QStringList Liste() { return Textes(fenetre->Editeur().Actions()->LstChamps); }
};

// One step of an editing session: the line selected first, what is done, the answers to its
// questions; then what the list and the rows must be, and the message shown, if any.
struct Etape {
    int selection;
    QString commande; // an item to pick, or "edite", "insere", "supprime", "boucle", "depart"
    std::vector<std::optional<QString>> reponses;
    QStringList liste;
    QStringList rangees;
    QString message = {};
};

void Joue(Poste& p, const QString& nom, const std::vector<Etape>& etapes) {
    EditeurScenario& e = p.Edite(nom);
    FenetreActions& actions = *e.Actions();
    FenetreTouches& touches = *e.Touches();
    const qint16 numero = p.Numero(nom);
    int n = 0;
    for (const Etape& etape : etapes) {
        SCOPED_TRACE("step " + std::to_string(++n) + ": " + etape.commande.toStdString());
        p.t.dialogues = {};
        for (const auto& r : etape.reponses) {
            p.t.dialogues.PrepareSaisie(r);
        }
        Selectionne(actions.LstChamps, etape.selection);
        const QString& c = etape.commande;
        if (c == "edite") {
            DoubleClique(actions.LstChamps, etape.selection);
        } else if (c == "insere") {
            Menu(actions, Qt::Key_I);
        } else if (c == "supprime") {
            Menu(actions, Qt::Key_S);
        } else if (c == "boucle") {
            Menu(actions, Qt::Key_B);
        } else if (c == "depart") {
            Menu(actions, Qt::Key_D);
        } else {
            const auto items = touches.LstTouches->findItems(c, Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1);
            actions.activateWindow(); // the selection stays while the picker is used
            DoubleClique(touches.LstTouches, touches.LstTouches->row(items[0]));
        }
        EXPECT_EQ(Textes(actions.LstChamps), etape.liste);
        EXPECT_EQ(Rangees(p.t.Chemin(kScenDb), numero), etape.rangees);
        EXPECT_EQ(p.t.dialogues.Messages().value(0), etape.message);
        EXPECT_EQ(p.t.dialogues.ReponsesManquantes(), 0);
    }
    // Compiled now, the file holds exactly what the list shows.
    e.AvantCompilation();
    ExporteScenario(p.noyau->Base(), p.t.donnees, numero);
    EtatScenario compile;
    InfoBulleMuette bulle;
    ChargeScenario(compile, nom, p.t.donnees, bulle, 0);
    EXPECT_EQ(compile.ListeActions.mid(1), ActionsMontrees(p.Liste()));
}

} // namespace

TEST(EditeurScenario, OpeningShowsTheThreeWindowsAndTheListAsStored) {
    Poste p;
    p.t.Scenario("Vide", kTypeEmulation, {});
    p.t.Scenario("Zéro", kTypeFichier, {"&CODE", ";"});
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE", "TAB", "&QTY", "ENTER"});
    ExecuteSql(p.t.Chemin(kScenDb),
               {"UPDATE Scenarios SET Boucle=0, Depart=0, Chemin=NULL WHERE Nom='Zéro'",
                "UPDATE Scenarios SET Boucle=3, Depart=2 WHERE Nom='Saisie'",
                "INSERT INTO Scenarios (Numero,Nom,Type) VALUES (40,'Autre','Série')"});
    const struct {
        QString nom;
        QStringList liste;
        int items;      // in the picker
        bool fraChemin; // the output path frame of the settings window
        int typeChoisi; // in its type list
    } cas[] = {
        {"Vide", {}, 43, false, 0},
        {"Zéro", {"--- &CODE", "--- ;", "", "Boucle : 0", "Départ : 0"}, 42, true, 1},
        {"Saisie",
         {"--- &CODE", "--- TAB", "--- &QTY", "--- ENTER", "", "Boucle : 3", "Départ : 2"},
         43,
         false,
         0},
        {"Autre", {}, 43, false, -1},
        {"Saisie", // again: the same list, not a doubled one
         {"--- &CODE", "--- TAB", "--- &QTY", "--- ENTER", "", "Boucle : 3", "Départ : 2"},
         43,
         false,
         0},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom.toStdString());
        EditeurScenario& e = p.Edite(c.nom);
        ASSERT_NE(e.Actions(), nullptr);
        ASSERT_NE(e.Touches(), nullptr);
        ASSERT_NE(e.Test(), nullptr);
        EXPECT_EQ(e.Actions()->windowTitle(), "Champs");
        EXPECT_EQ(e.Touches()->windowTitle(), "Touches");
        for (QWidget* w : {static_cast<QWidget*>(e.Actions()), static_cast<QWidget*>(e.Touches()),
                           static_cast<QWidget*>(e.Test())}) {
            EXPECT_TRUE(w->isVisible());
            EXPECT_FALSE(w->isModal());
            EXPECT_EQ(w->parentWidget(), p.fenetre.data());
        }
        EXPECT_EQ(p.Liste(), c.liste);
        EXPECT_EQ(e.Touches()->LstTouches->count(), c.items);
        EXPECT_EQ(e.Test()->NumScen(), p.Numero(c.nom));
        const PageScenarios& s = *p.fenetre->scenarios;
        EXPECT_EQ(!s.FraChemin->isHidden(), c.fraChemin);
        EXPECT_EQ(s.CboType->currentIndex(), c.typeChoisi);
        EXPECT_EQ(s.TxtChemin->text(), "");
    }
}

TEST(EditeurScenario, ThePickerListsTheItemsOfTheScenarioType) {
    kovra::test::DonneesTest t;
    const QStringList fichier = ItemsTouches(t.donnees, kTypeFichier);
    const QStringList emulation = ItemsTouches(t.donnees, kTypeEmulation);
    ASSERT_EQ(fichier.size(), 42);
    ASSERT_EQ(emulation.size(), 43);
    EXPECT_EQ(fichier.mid(0, 8), QStringList({"&EMP", "&CODE", "&QTY", "&DATE", "&PASSLIGNE",
                                              "&INCREMENT", "&TAB", ";"}));
    EXPECT_EQ(fichier.mid(38), QStringList({"QUANTITE", "DEPOT", "&Timer", "Champs libre"}));
    // System keys first, then the special keys, without their braces.
    EXPECT_EQ(emulation.mid(0, 5), QStringList({"&EMP", "&CODE", "&QTY", "BACKSPACE", "CAPSLOCK"}));
    EXPECT_EQ(emulation.mid(25, 3), QStringList({"ALT", "F1", "F2"}));
    EXPECT_EQ(emulation.mid(39),
              QStringList({"POURCENT", "CIRCONFLEXE", "&Timer", "Champs libre"}));
    EXPECT_EQ(ItemsTouches(t.donnees, "Série"), emulation);

    // A value missing from TouFic.ini is not offered: an empty action cannot be stored.
    EcrireIni("Touches", "5", "", t.Chemin(kTouFic));
    EXPECT_EQ(ItemsTouches(t.donnees, kTypeFichier).size(), 41);

    const struct {
        QString nom, affiche;
    } noms[] = {{"{F1}", "F1"}, {"{PAGE UP}", "PAGE UP"}, {"ENTREE", "ENTREE"}, {"{F2", "F2"}};
    for (const auto& n : noms) {
        EXPECT_EQ(NomAffiche(n.nom), n.affiche);
    }
}

TEST(EditeurScenario, EditingAKeystrokeScenarioKeepsListRowsAndFileInStep) {
    Poste p;
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE", "TAB", "&QTY", "ENTER"});
    Joue(p, "Saisie",
         {
             // Nothing selected: appended after the last action, above the positions.
             {-1,
              "&EMP",
              {},
              L({"&CODE", "TAB", "&QTY", "ENTER", "&EMP"}, 1),
              {"&CODE:0", "TAB:0", "&QTY:0", "ENTER:0", "&EMP:0"}},
             // An action selected: replaced.
             {1,
              "F1",
              {},
              L({"&CODE", "F1", "&QTY", "ENTER", "&EMP"}, 1),
              {"&CODE:0", "F1:0", "&QTY:0", "ENTER:0", "&EMP:0"}},
             // Insert: an empty line, nothing stored yet.
             {0,
              "insere",
              {},
              L({"", "&CODE", "F1", "&QTY", "ENTER", "&EMP"}, 1),
              {"&CODE:0", "F1:0", "&QTY:0", "ENTER:0", "&EMP:0"}},
             // A pick on it fills it; apostrophes are ordinary characters.
             {0,
              "Champs libre",
              {QString("PR'01")},
              L({"PR'01", "&CODE", "F1", "&QTY", "ENTER", "&EMP"}, 1),
              {"PR'01:0", "&CODE:0", "F1:0", "&QTY:0", "ENTER:0", "&EMP:0"}},
             {2,
              "edite",
              {QString("ESC")},
              L({"PR'01", "&CODE", "ESC", "&QTY", "ENTER", "&EMP"}, 1),
              {"PR'01:0", "&CODE:0", "ESC:0", "&QTY:0", "ENTER:0", "&EMP:0"}},
             {3,
              "supprime",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP"}, 1),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0"}},
             {1,
              "boucle",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP"}, 2, 0),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0"}},
             {4,
              "depart",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP"}, 2, 5),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0"}},
             // With nothing selected the start goes back to 0.
             {-1,
              "depart",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP"}, 2, 0),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0"}},
             // The separator selected: appended above it, not below the positions.
             {5,
              "&QTY",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP", "&QTY"}, 2, 0),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "&QTY:0"}},
             // Insert above the last action, then a pick elsewhere: the empty line waits.
             {5,
              "insere",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP", "", "&QTY"}, 2, 0),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "&QTY:0"}},
             {6,
              "TAB",
              {},
              L({"PR'01", "&CODE", "ESC", "ENTER", "&EMP", "", "TAB"}, 2, 0),
              {"PR'01:0", "&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "TAB:0"}},
             // Deleting an action above it keeps the empty line where it belongs.
             {0,
              "supprime",
              {},
              L({"&CODE", "ESC", "ENTER", "&EMP", "", "TAB"}, 2, 0),
              {"&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "TAB:0"}},
             {4,
              "&Timer",
              {},
              L({"&CODE", "ESC", "ENTER", "&EMP", "&Timer", "TAB"}, 2, 0),
              {"&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "&Timer:0", "TAB:0"}},
             {4,
              "edite",
              {QString("&Timer 500")},
              L({"&CODE", "ESC", "ENTER", "&EMP", "&Timer 500", "TAB"}, 2, 0),
              {"&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "&Timer 500:0", "TAB:0"}},
             // Deleting the prepared empty line only ends the insert.
             {1,
              "insere",
              {},
              L({"&CODE", "", "ESC", "ENTER", "&EMP", "&Timer 500", "TAB"}, 2, 0),
              {"&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "&Timer 500:0", "TAB:0"}},
             {1,
              "supprime",
              {},
              L({"&CODE", "ESC", "ENTER", "&EMP", "&Timer 500", "TAB"}, 2, 0),
              {"&CODE:0", "ESC:0", "ENTER:0", "&EMP:0", "&Timer 500:0", "TAB:0"}},
         });
}

TEST(EditeurScenario, RefusalsAndCancelsChangeNothing) {
    Poste p;
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE", "ENTER"});
    const QStringList liste = {"--- &CODE", "--- ENTER", "", "Boucle : 1", "Départ : 0"};
    const QStringList rangees = {"&CODE:0", "ENTER:0"};
    const QString refus = "Action refusée : ";
    Joue(p, "Saisie",
         {
             {-1, "insere", {}, liste, rangees, kAvantInserer},
             {-1, "supprime", {}, liste, rangees, kAvantSupprimer},
             {2, "supprime", {}, liste, rangees, kAvantSupprimer}, // the separator
             {3, "supprime", {}, liste, rangees, kAvantSupprimer}, // a position line
             {2, "edite", {}, liste, rangees},                     // not editable
             {4, "edite", {}, liste, rangees},
             {0, "edite", {std::nullopt}, liste, rangees},
             {0, "edite", {QString("")}, liste, rangees},
             {-1, "Champs libre", {std::nullopt}, liste, rangees},
             {-1, "Champs libre", {QString("")}, liste, rangees},
             {3,
              "boucle",
              {},
              liste,
              rangees,
              "Veuillez sélectionner un champ : la boucle et le départ désignent une action."},
         });
    // Texts the compiled file could not hold are refused and asked again, the refused text
    // offered; cancelling then leaves everything as it was.
    const struct {
        QString commande;
        int selection;
        QString texte;
    } cas[] = {
        {"Champs libre", -1, "a@b"},
        {"Champs libre", -1, QString::fromUtf8("Жук")},
        {"edite", 0, "deux\nlignes"},
        {"edite", 1, "x@y"},
    };
    EditeurScenario& e = p.fenetre->Editeur();
    for (const auto& c : cas) {
        SCOPED_TRACE(c.texte.toStdString());
        p.t.dialogues = {};
        p.t.dialogues.PrepareSaisie(c.texte);
        p.t.dialogues.PrepareSaisie(std::nullopt);
        Selectionne(e.Actions()->LstChamps, c.selection);
        if (c.commande == "edite") {
            DoubleClique(e.Actions()->LstChamps, c.selection);
        } else {
            e.Actions()->LstChamps->clearSelection();
            DoubleClique(e.Touches()->LstTouches,
                         e.Touches()->LstTouches->row(
                             e.Touches()->LstTouches->findItems(c.commande, Qt::MatchExactly)[0]));
        }
        const auto& j = p.t.dialogues.Journal();
        ASSERT_EQ(j.size(), 3u);
        EXPECT_TRUE(j[1].texte.startsWith(refus)) << j[1].texte.toStdString();
        EXPECT_EQ(j[2].defaut, c.texte);
        EXPECT_EQ(p.Liste(), liste);
        EXPECT_EQ(Rangees(p.t.Chemin(kScenDb), p.Numero("Saisie")), rangees);
    }
    // The messages' captions and the edit box as the user sees them.
    p.t.dialogues = {};
    p.t.dialogues.PrepareSaisie(std::nullopt);
    Selectionne(e.Actions()->LstChamps, 1);
    DoubleClique(e.Actions()->LstChamps, 1);
    ASSERT_EQ(p.t.dialogues.Journal().size(), 1u);
    EXPECT_EQ(p.t.dialogues.Journal()[0].texte, "Valeur du champ :");
    EXPECT_EQ(p.t.dialogues.Journal()[0].titre, "Modification de champ");
    EXPECT_EQ(p.t.dialogues.Journal()[0].defaut, "ENTER");
    p.t.dialogues = {};
    Selectionne(e.Actions()->LstChamps, -1);
    e.Actions()->Insere();
    e.Actions()->Supprime();
    ASSERT_EQ(p.t.dialogues.Journal().size(), 2u);
    EXPECT_EQ(p.t.dialogues.Journal()[0].titre, kTitreVelar);
    EXPECT_EQ(p.t.dialogues.Journal()[1].titre, kTitreApplication);
    EXPECT_EQ(p.t.dialogues.Journal()[1].icone, Icone::Exclamation);
}

TEST(EditeurScenario, PartialFramesAskThePlaceOnlyForFields) {
    Poste p;
    {
        BaseScen b(p.t.Chemin(kScenDb));
        CreeScenario(b, {"Partiel", kTypeFichier, 6, false, p.t.dossier.Chemin("sortie.txt")});
        CreeScenario(b, {"Entier", kTypeFichier, 0, false, p.t.dossier.Chemin("entier.txt")});
    }
    const QString place = "La place dans la trame doit être un nombre de 0 à 32767.";
    Joue(p, "Partiel",
         {
             // Refused until a number from 0 to 32767 comes.
             {-1,
              "&CODE",
              {QString("abc"), QString("32768"), QString(" 3 ")},
              L({"&CODE"}),
              {"&CODE:3"},
              place},
             {-1, "&DATE", {}, L({"&CODE", "&DATE"}), {"&CODE:3", "&DATE:0"}},
             {-1, "&TAB", {}, L({"&CODE", "&DATE", "&TAB"}), {"&CODE:3", "&DATE:0", "&TAB:0"}},
             {-1,
              "ENTREE",
              {},
              L({"&CODE", "&DATE", "&TAB", "ENTREE"}),
              {"&CODE:3", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             // A cancelled place cancels the pick.
             {0,
              "&QTY",
              {std::nullopt},
              L({"&CODE", "&DATE", "&TAB", "ENTREE"}),
              {"&CODE:3", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             {0,
              "&QTY",
              {QString("2")},
              L({"&QTY", "&DATE", "&TAB", "ENTREE"}),
              {"&QTY:2", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             // A field replaced by a text gives up its place.
             {0,
              ";",
              {},
              L({";", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             {1,
              "insere",
              {},
              L({";", "", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             {1,
              "&EMP",
              {QString("1")},
              L({";", "&EMP", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "&EMP:1", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             // Editing does what picking does: a field is asked its place...
             {1,
              "edite",
              {QString("&CODE"), QString("4")},
              L({";", "&CODE", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "&CODE:4", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             // ...a cancelled place cancels the edit...
             {1,
              "edite",
              {QString("&QTY"), std::nullopt},
              L({";", "&CODE", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "&CODE:4", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             // ...and any other action gives its place up, so the fields after it keep
             // theirs.
             {1,
              "edite",
              {QString("TXT")},
              L({";", "TXT", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "TXT:0", "&DATE:0", "&TAB:0", "ENTREE:0"}},
             {1,
              "edite",
              {QString("&EMP"), QString("2")},
              L({";", "&EMP", "&DATE", "&TAB", "ENTREE"}),
              {";:0", "&EMP:2", "&DATE:0", "&TAB:0", "ENTREE:0"}},
         });
    // The place prompt of an edit offers the place the action has.
    {
        EditeurScenario& e = p.Edite("Partiel");
        p.t.dialogues = {};
        p.t.dialogues.PrepareSaisie(QString("&CODE"));
        p.t.dialogues.PrepareSaisie(std::nullopt);
        Selectionne(e.Actions()->LstChamps, 1);
        DoubleClique(e.Actions()->LstChamps, 1);
        const auto& j = p.t.dialogues.Journal();
        ASSERT_EQ(j.size(), 2u);
        EXPECT_EQ(j[1].texte, kInvitePlace);
        EXPECT_EQ(j[1].defaut, "2");
    }
    // The place follows the opened scenario's own setting, not the last one saved.
    Joue(p, "Entier", {{-1, "&CODE", {}, L({"&CODE"}), {"&CODE:0"}}});
}

TEST(EditeurScenario, StaysOnTheScenarioItWasOpenedWith) {
    Poste p;
    p.t.Scenario("A", kTypeEmulation, {"&CODE"});
    p.t.Scenario("B", kTypeEmulation, {"&QTY"});
    EditeurScenario& e = p.Edite("A");
    FenetreParametrage& f = *p.fenetre;
    // A single click on another name, then "Créer": the editor still works on A.
    Selectionne(f.scenarios->LstScen, 1);
    EXPECT_EQ(f.Etat().NomSelection, "B");
    f.CreeScenario();
    Selectionne(e.Actions()->LstChamps, -1);
    DoubleClique(e.Touches()->LstTouches, 0);
    EXPECT_EQ(Rangees(p.t.Chemin(kScenDb), p.Numero("A")), QStringList({"&CODE:0", "&EMP:0"}));
    EXPECT_EQ(Rangees(p.t.Chemin(kScenDb), p.Numero("B")), QStringList({"&QTY:0"}));

    // Deleting another scenario leaves the editor open; deleting its own closes it.
    Selectionne(f.scenarios->LstScen, 1);
    p.t.dialogues.PrepareOui(true);
    f.SupprimeScenario();
    EXPECT_TRUE(e.Actions() != nullptr && e.Actions()->isVisible());
    Selectionne(f.scenarios->LstScen, 0);
    p.t.dialogues.PrepareOui(true);
    f.SupprimeScenario();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.Actions(), nullptr);
    EXPECT_EQ(e.Touches(), nullptr);
    EXPECT_EQ(e.Test(), nullptr);
}

TEST(EditeurScenario, ValidatingSettlesAPendingInsertAndClosesWithTheSettings) {
    Poste p;
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE", "ENTER"});
    EditeurScenario& e = p.Edite("Saisie");
    Selectionne(e.Actions()->LstChamps, 1);
    e.Actions()->Insere();
    ASSERT_EQ(p.Liste().value(1), "");
    QPointer<FenetreActions> actions = e.Actions();
    p.fenetre->ValideScenarios();
    EXPECT_EQ(Textes(actions->LstChamps),
              QStringList({"--- &CODE", "--- ENTER", "", "Boucle : 1", "Départ : 0"}));
    EXPECT_EQ(actions->Selection(), -1);
    // "Valider" closes the settings window, and its editor windows with it.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(p.fenetre.isNull());
    EXPECT_TRUE(actions.isNull());
}

TEST(EditeurScenario, ClosingTheListEndsAnInsertAndTheTestWindowClosesAll) {
    Poste p;
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE", "ENTER"});
    EditeurScenario& e = p.Edite("Saisie");
    Selectionne(e.Actions()->LstChamps, 0);
    e.Actions()->Insere();
    e.Actions()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.Actions(), nullptr);
    EXPECT_FALSE(e.Edition().Etat().InsertionEnCours);
    DoubleClique(e.Touches()->LstTouches, 0); // with no list, a pick appends
    EXPECT_EQ(Rangees(p.t.Chemin(kScenDb), p.Numero("Saisie")),
              QStringList({"&CODE:0", "ENTER:0", "&EMP:0"}));

    e.Test()->Ferme();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(e.Touches(), nullptr);
    EXPECT_EQ(e.Test(), nullptr);
    EXPECT_TRUE(p.fenetre->isVisible());
    // Opening again makes the windows afresh.
    p.Edite("Saisie");
    EXPECT_EQ(p.Liste(),
              QStringList({"--- &CODE", "--- ENTER", "--- &EMP", "", "Boucle : 1", "Départ : 0"}));
}

TEST(EditeurScenario, ATestSettlesTheListAndSetsTheSettingsAsideUntilTheEditorCloses) {
    Poste p;
    const qint16 numero = p.ScenarioFichier("Stock", "stock.txt");
    EditeurScenario& e = p.Edite("Stock");
    Selectionne(e.Actions()->LstChamps, 1);
    e.Actions()->Insere();
    for (const char* valeur : {"A1", "1", "A2", "2", "A3", "3", "A4", "4"}) {
        p.t.dialogues.PrepareSaisie(QString(valeur));
    }
    QSignalSpy fin(e.Test(), &FenetreTest::essaiTermine);
    e.Test()->TlbScenarios->actions()[0]->trigger();
    // Compiled with the list settled: the empty line is gone, numbers and lines agree.
    EXPECT_EQ(p.Liste(), L({"&CODE", ";", "&QTY", "&PASSLIGNE"}, 1));
    EXPECT_TRUE(p.fenetre->isMinimized());
    ASSERT_TRUE(kovra::test::AttendQue([&] { return fin.size() == 1; }, 10000));
    EXPECT_TRUE(fin[0][0].toBool());
    EXPECT_EQ(p.t.dossier.Lit("stock.txt"), "A1;1\r\nA2;2\r\nA3;3\r\nA4;4\r\n");
    EXPECT_EQ(Rangees(p.t.Chemin(kScenDb), numero),
              QStringList({"&CODE:0", ";:0", "&QTY:0", "&PASSLIGNE:0"}));

    e.Test()->TlbScenarios->actions()[1]->trigger();
    EXPECT_FALSE(p.fenetre->isMinimized());
    EXPECT_TRUE(p.fenetre->isVisible());
}

TEST(EditeurScenario, ACommandOnAListChangedElsewhereReadsItAgainAndChangesNothing) {
    Poste p;
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE", "TAB", "&QTY", "ENTER"});
    EditeurScenario& e = p.Edite("Saisie");
    FenetreActions& actions = *e.Actions();
    FenetreTouches& touches = *e.Touches();
    const qint16 numero = p.Numero("Saisie");
    const QString base = p.t.Chemin(kScenDb);
    const auto pick = [&](const QString& item) {
        actions.activateWindow();
        DoubleClique(touches.LstTouches,
                     touches.LstTouches->row(
                         touches.LstTouches->findItems(item, Qt::MatchExactly).value(0)));
    };
    const struct {
        const char* commande;
        int selection;
    } cas[] = {
        {"edite", 1},  {"replace", 1}, {"append", -1}, {"supprime", 1},
        {"insere", 1}, {"boucle", 2},  {"depart", 0},  {"edite", 0},
    };
    int n = 0;
    for (const auto& c : cas) {
        SCOPED_TRACE(c.commande);
        // Another program (kovra-cli scenario insert) adds an action at the top while the
        // list is shown: every line now stands for another action than the one it shows.
        {
            BaseScen b(base);
            InsereNouvelleAction(b, numero, 1, QString("X%1").arg(++n), 0);
        }
        const QStringList rangees = Rangees(base, numero);
        const auto avant = BaseScen(base).LitScenario(numero);
        p.t.dialogues = {};
        p.t.dialogues.PrepareSaisie(QString("NEUF"));
        Selectionne(actions.LstChamps, c.selection);
        const QString commande = c.commande;
        if (commande == "edite") {
            DoubleClique(actions.LstChamps, c.selection);
        } else if (commande == "replace" || commande == "append") {
            pick("F1");
        } else {
            Menu(actions, commande == "supprime" ? Qt::Key_S
                          : commande == "insere" ? Qt::Key_I
                          : commande == "boucle" ? Qt::Key_B
                                                 : Qt::Key_D);
        }
        // Said, nothing asked, nothing stored; the list shows what is stored.
        EXPECT_EQ(p.t.dialogues.Messages(), QStringList{kListeChangee});
        EXPECT_EQ(p.t.dialogues.Journal().size(), 1u);
        EXPECT_EQ(p.t.dialogues.Journal()[0].titre, kTitreVelar);
        EXPECT_EQ(Rangees(base, numero), rangees);
        BaseScen b(base);
        EXPECT_EQ(b.LitScenario(numero)->Boucle, avant->Boucle);
        EXPECT_EQ(b.LitScenario(numero)->Depart, avant->Depart);
        EXPECT_EQ(p.Liste(), LignesListeActions(b, numero));
        EXPECT_EQ(actions.Selection(), -1);
        EXPECT_FALSE(e.Edition().Etat().InsertionEnCours);
    }
    // On the list read again, a double-click edits the action it shows.
    p.t.dialogues = {};
    p.t.dialogues.PrepareSaisie(QString("NEUF"));
    Selectionne(actions.LstChamps, 9);
    ASSERT_EQ(p.Liste().value(9), "--- TAB");
    DoubleClique(actions.LstChamps, 9);
    EXPECT_TRUE(p.t.dialogues.Messages().isEmpty());
    EXPECT_EQ(Rangees(base, numero).mid(8),
              QStringList({"&CODE:0", "NEUF:0", "&QTY:0", "ENTER:0"}));
}

namespace {

// Scripted dialogues whose next input box lets another program change the scenario while
// it is open.
struct DialoguesPendantSaisie : DialoguesScriptes {
    std::function<void()> pendant;
    std::optional<QString> Saisie(const QString& invite, const QString& titre,
                                  const QString& defaut) override {
        if (auto f = std::exchange(pendant, {})) {
            f();
        }
        return DialoguesScriptes::Saisie(invite, titre, defaut);
    }
};

} // namespace

TEST(EditionScenario, AChangeMadeElsewhereWhileAQuestionIsOpenIsNotOverwritten) {
    const struct {
        const char* nom;
        int selection;
        QString commande; // "edite", or the item picked
        std::vector<std::optional<QString>> reponses;
        std::function<void(BaseScen&, qint16)> ailleurs;
        QStringList rangees; // afterwards: the other program's change only
    } cas[] = {
        {"edit, an action inserted",
         0,
         "edite",
         {QString("NEUF")},
         [](BaseScen& b, qint16 n) { InsereNouvelleAction(b, n, 1, "&EMP", 0); },
         {"&EMP:0", "&CODE:3", "TAB:0", "&QTY:1"}},
        {"edit, the action removed",
         1,
         "edite",
         {QString("NEUF")},
         [](BaseScen& b, qint16 n) { RetireAction(b, n, 2); },
         {"&CODE:3", "&QTY:1"}},
        {"edit, the text changed",
         2,
         "edite",
         {QString("&CODE"), QString("5")},
         [](BaseScen& b, qint16 n) { EditeAction(b, n, 3, "&EMP", 2); },
         {"&CODE:3", "TAB:0", "&EMP:2"}},
        {"replacing pick, the action removed",
         0,
         "&EMP",
         {QString("4")},
         [](BaseScen& b, qint16 n) { RetireAction(b, n, 1); },
         {"TAB:0", "&QTY:1"}},
        {"appending free text, an action added",
         -1,
         kItemChampLibre,
         {QString("fin")},
         [](BaseScen& b, qint16 n) { AjouteAction(b, n, "ENTER", 0); },
         {"&CODE:3", "TAB:0", "&QTY:1", "ENTER:0"}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        kovra::test::DossierTest d;
        BaseScen base(d.Chemin("Scen.db"));
        const qint16 numero = CreeScenario(base, {"Partiel", kTypeFichier, 4, false, QString()});
        AjouteAction(base, numero, "&CODE", 3);
        AjouteAction(base, numero, "TAB", 0);
        AjouteAction(base, numero, "&QTY", 1);
        DialoguesPendantSaisie dialogues;
        EditionScenario edition(base, dialogues);
        edition.Ouvre(numero);
        for (const auto& r : c.reponses) {
            dialogues.PrepareSaisie(r);
        }
        dialogues.pendant = [&] {
            BaseScen autre(d.Chemin("Scen.db"));
            c.ailleurs(autre, numero);
        };
        const int apres = c.commande == "edite" ? edition.Edite(c.selection)
                                                : edition.Choisit(c.commande, c.selection);
        EXPECT_EQ(apres, -1);
        EXPECT_EQ(dialogues.Messages(), QStringList{kListeChangee});
        EXPECT_EQ(dialogues.ReponsesManquantes(), 0);
        EXPECT_EQ(Rangees(d.Chemin("Scen.db"), numero), c.rangees);
        EXPECT_EQ(edition.Lignes(), LignesListeActions(base, numero));
    }
}

TEST(EditeurScenario, TheScenarioPageGreysWhatAnExistingScenarioKeepsAndRefusesNamesOutside1252) {
    Poste p;
    p.t.Scenario("Saisie", kTypeEmulation, {"&CODE"});
    FenetreParametrage& f = p.Ouvre();
    PageScenarios& s = *f.scenarios;
    const auto modifiables = [&] {
        return QList<bool>{s.TxtNomScen->isEnabled(), !s.TxtNomScen->isReadOnly(),
                           s.CboType->isEnabled(), s.ChcPartiel->isEnabled()};
    };
    const QList<bool> oui = {true, true, true, true};
    const QList<bool> non = {false, false, false, false};
    Selectionne(s.LstScen, 0);
    EXPECT_EQ(s.TxtNomScen->text(), "Saisie");
    EXPECT_EQ(modifiables(), non);
    f.CreeScenario();
    EXPECT_EQ(modifiables(), oui);

    // A name the scenario's Windows-1252 files cannot hold is refused like any other text.
    const int fichier = s.CboType->findText(kTypeFichier);
    s.CboType->setCurrentIndex(fichier);
    emit s.CboType->activated(fichier);
    s.TxtNomScen->setText(QString::fromUtf8("Łódź"));
    f.EnregistreScenario();
    EXPECT_TRUE(p.t.dialogues.Messages().value(0).contains("Windows-1252"))
        << p.t.dialogues.Messages().value(0).toStdString();
    EXPECT_EQ(s.LstScen->count(), 1);
    EXPECT_EQ(modifiables(), oui);
    s.TxtNomScen->setText(QString::fromUtf8("Dépôt €"));
    f.EnregistreScenario();
    EXPECT_EQ(p.t.dialogues.Messages().size(), 1);
    EXPECT_EQ(s.LstScen->count(), 2);
    EXPECT_EQ(modifiables(), non);
}
