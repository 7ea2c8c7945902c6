#include "processing/TraitementTest.h"

#include "processing/ReductionPartielle.h"
#include "processing/VidageDonnees.h"

#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::CasTraitement;
using kovra::test::Traitement;

namespace {

const QStringList kCodeQte = {"&CODE", "{TAB}", "&QTY", "{ENTER}"};

struct Attendu {
    const char* nom;
    CasTraitement cas;
    QString sortie;
};

void Verifie(const std::vector<Attendu>& table) {
    for (const Attendu& a : table) {
        Traitement tr;
        EXPECT_EQ(tr.Execute(a.cas), a.sortie) << a.nom;
    }
}

} // namespace

TEST(VidageDonnees, CutsAtCarriageReturnsAndIgnoresLineFeeds) {
    const struct {
        const char* trame;
        qsizetype nbChamps;
        QStringList champs; // every slot, the tail included
    } cas[] = {
        {"A\rB\r", 2, {"A", "B", ""}}, {"A\r\nB\r\n", 2, {"A", "B", ""}},
        {"A\n1\rB", 1, {"A1", "B"}},   {"\r\r", 2, {"", "", ""}},
        {"sans fin", 0, {"sans fin"}}, {"", 0, {""}},
    };
    for (const auto& c : cas) {
        EtatTraitement e;
        ProgressionMuette p;
        VidageDonnees(QString::fromLatin1(c.trame), e, p);
        EXPECT_EQ(e.NbChamps, c.nbChamps) << c.trame;
        QStringList champs;
        for (qsizetype k = 0; k <= e.IndexChamp; ++k) {
            champs << e.Champ(k).toString();
        }
        EXPECT_EQ(champs, c.champs) << c.trame;
        EXPECT_TRUE(e.Champ(e.IndexChamp + 1).isEmpty());
    }
}

TEST(TraiteDonnees, PassesOverTheActions) {
    Verifie({
        {"one pass", {kCodeQte, {}, 0, 0, 0, ".", "A\rB\r"}, "A{TAB}B{ENTER}"},
        {"loop 1, two records",
         {kCodeQte, {}, 1, 0, 0, ".", "A\rB\rC\rD\r"},
         "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
        {"no loop set (0) behaves as 1",
         {kCodeQte, {}, 0, 0, 0, ".", "A\rB\rC\rD\r"},
         "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
        {"line feeds ignored",
         {kCodeQte, {}, 1, 0, 0, ".", "A\r\nB\r\nC\r\nD\r\n"},
         "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
        {"a header then records from the loop position",
         {{"&EMP", "{TAB}", "&CODE", "&QTY", "{ENTER}"}, {}, 3, 0, 0, ".", "E\rC1\rQ1\rC2\rQ2\r"},
         "E{TAB}C1Q1{ENTER}C2Q2{ENTER}"},
        {"start position ignored when a loop position is written",
         {kCodeQte, {}, 1, 3, 0, ".", "A\rB\r"},
         "A{TAB}B{ENTER}"},
        {"loop above the number of actions counts as 1",
         {kCodeQte, {}, 9, 0, 0, ".", "A\rB\rC\rD\r"},
         "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
        {"negative loop counts as 1",
         {kCodeQte, {}, -2, 0, 0, ".", "A\rB\rC\rD\r"},
         "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
        {"actions after the last field are still emitted once",
         {{"&CODE", "{TAB}", "&QTY", "{ENTER}", "&EMP", "FIN"}, {}, 1, 0, 0, ".", "A\rB\rC\r"},
         "A{TAB}B{ENTER}CFIN"},
        {"a field beyond the last takes the unterminated tail, then nothing",
         {{"&CODE", "&QTY", "&EMP", "{ENTER}"}, {}, 0, 0, 0, ".", "A\rqueue"},
         "Aqueue{ENTER}"},
        // Without a carriage return the frame is one field; the passes go on while the
        // frame position, moved one step per field action, is within the frame.
        {"a frame without carriage return",
         {kCodeQte, {}, 1, 0, 0, ".", "seul"},
         "seul{TAB}{ENTER}{TAB}{ENTER}"},
        {"blank fields are fields",
         {{"&CODE", "&QTY", "{ENTER}"}, {}, 1, 0, 0, ".", "A\r  \rB\r"},
         "A  {ENTER}B{ENTER}"},
        {"^ actions move through the frame",
         {{"&CODE", "^c"}, {}, 1, 0, 0, ".", "A\rB\r"},
         "A^cB^c"},
        {"empty frame gives nothing", {kCodeQte, {}, 1, 0, 0, ".", ""}, ""},
        {"no action", {{}, {}, 1, 0, 0, ".", "A\rB\r"}, ""},
        {"a pass without field or move ends processing",
         {{"&TAB", "{ENTER}"}, {}, 1, 0, 0, ".", "A\rB\r"},
         "\t{ENTER}"},
        {"a pass of fixed texts only ends too",
         {{"Bonjour", "{F4}"}, {}, 1, 0, 0, ".", "A\rB\r"},
         "Bonjour{F4}"},
    });
}

TEST(TraiteDonnees, ExpandsEveryToken) {
    Verifie({
        {"&TAB", {{"&CODE", "&TAB", "&QTY"}, {}, 1, 0, 0, ".", "A\rB\r"}, "A\tB"},
        {"&DATE", {{"&DATE", "&CODE"}, {}, 1, 0, 0, ".", "A\r"}, "05/03/26A"},
        {"&PASSLIGNE", {{"&CODE", "&PASSLIGNE"}, {}, 1, 0, 0, ".", "A\rB\r"}, "A\r\nB\r\n"},
        {"&INCREMENT, the same value all frame long",
         {{"&INCREMENT", "&CODE"}, {}, 1, 0, 0, ".", "A\rB\r"},
         "7A7B"},
        {"Alt shortcuts",
         {{"&FERMER", "&OUVRIR_E", "&OUVRIR_S", "&VALIDER", "&CODE"}, {}, 1, 0, 0, ".", "A\r"},
         "%{q}%{c}%{r}%{v}A"},
        {"any other & word is a field",
         {{"&LOT", "&Tab", "&date"}, {}, 1, 0, 0, ".", "L\rT\rD\r"},
         "LTD"},
        {"&Timer marks the pause",
         {{"&CODE", "&Timer 500"}, {}, 1, 0, 0, ".", "A\rB\r"},
         "A{TIMER}B{TIMER}"},
        {"fixed texts and key strings pass through",
         {{"&CODE", "Réf:", "{TAB 2}", "+{END}"}, {}, 1, 0, 0, ".", "A\r"},
         "ARéf:{TAB 2}+{END}"},
    });
}

TEST(TraiteDonnees, TimerSetsThePauseWhenGivenOne) {
    const struct {
        const char* action;
        qint16 avant;
        qint16 apres;
    } cas[] = {
        {"&Timer 500", 0, 500}, {"&Timer:250", 0, 250},   {"&Timer", 300, 300},
        {"&Timer x", 300, 300}, {"&Timer 99999", 40, 40}, {"&Timer  20 ", 0, 20},
    };
    for (const auto& c : cas) {
        Traitement tr;
        tr.etat.PauseTimer = c.avant;
        EXPECT_EQ(tr.Execute({{"&CODE", c.action}, {}, 1, 0, 0, ".", "A\r"}), "A{TIMER}");
        EXPECT_EQ(tr.etat.PauseTimer, c.apres) << c.action;
    }
}

TEST(TraiteDonnees, PutsTheDecimalSeparator) {
    const QStringList actions = {"&QTY", "{ENTER}"};
    Verifie({
        {"comma", {actions, {}, 1, 0, 0, ",", "12.50\r"}, "12,50{ENTER}"},
        {"x drops zero decimals",
         {actions, {}, 1, 0, 0, "x", "12.00\r12.50\r"},
         "12{ENTER}12.50{ENTER}"},
        {"x with commas", {actions, {}, 1, 0, 0, "x", "3,00\r"}, "3{ENTER}"},
        {"x keeps zeros that are not the decimals",
         {actions, {}, 1, 0, 0, "x", "1.000\r12.005\r"},
         "1.000{ENTER}12.005{ENTER}"},
        {"only the dots change when both are there",
         {actions, {}, 1, 0, 0, ",", "1.5\r2,5\r"},
         "1,5{ENTER}2,5{ENTER}"},
        {"commas become the separator", {actions, {}, 1, 0, 0, ".", "2,5\r"}, "2.5{ENTER}"},
        {"fixed texts too", {{"&QTY", "v1.2"}, {}, 1, 0, 0, ";", "5\r"}, "5v1;2"},
        {"no separator chosen keeps the point",
         {actions, {}, 1, 0, 0, "", "12.50\r"},
         "12.50{ENTER}"},
        {"no separator chosen turns commas to points",
         {actions, {}, 1, 0, 0, "", "12,50\r"},
         "12.50{ENTER}"},
    });
}

TEST(TraiteDonnees, StartPositionCountsWhenNoLoopPositionIsWritten) {
    const struct {
        const char* depart;
        const char* sortie;
    } cas[] = {
        {"3", "A{ENTER}B{ENTER}"},                              // every pass starts at &QTY
        {"0", "A{TAB}B{ENTER}"},                                // action 0 is empty: as 1
        {"-1", "A{TAB}B{ENTER}"},                               // out of range: 1
        {"12", "A{TAB}B{ENTER}"},  {"trois", "A{TAB}B{ENTER}"}, // not a number: ignored
    };
    for (const auto& c : cas) {
        Traitement tr;
        tr.Prepare({kCodeQte, {}, 0, 0, 0, ".", ""});
        EXPECT_EQ(tr.ExecuteAvec("A\rB\r", {"", c.depart, ""}, "."), c.sortie) << c.depart;
    }
}

TEST(TraiteDonnees, LaterPassesStartAtTheLoopPosition) {
    const struct {
        const char* boucle;
        const char* depart;
        const char* sortie;
    } cas[] = {
        {"3", "", "A{TAB}B{ENTER}C{ENTER}D{ENTER}"},
        {"3", "2", "A{TAB}B{ENTER}C{ENTER}D{ENTER}"}, // the first pass starts at 1 all the same
        {"x", "3", "A{TAB}B{ENTER}C{ENTER}D{ENTER}"}, // not a number: the start position
        {"x", "", "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
        {"x", "y", "A{TAB}B{ENTER}C{TAB}D{ENTER}"},
    };
    for (const auto& c : cas) {
        Traitement tr;
        tr.Prepare({kCodeQte, {}, 0, 0, 0, ".", ""});
        EXPECT_EQ(tr.ExecuteAvec("A\rB\rC\rD\r", {c.boucle, c.depart, ""}, "."), c.sortie)
            << c.boucle << " " << c.depart;
    }
}

TEST(TraiteDonnees, LooksSpecialKeysUpByName) {
    const struct {
        const char* nom;
        QByteArray touche;
        QByteArray corres;
        QString sortie;
    } cas[] = {
        {"named key", "[Particuliere]\r\n 3={Valider}@ 3\r\n", "[Correspondance]\r\n3=%{v}\r\n",
         "A%{v}"},
        {"the later of two entries wins",
         "[Particuliere]\r\n 0={Valider}@ 0\r\n 5={Valider}@ 5\r\n",
         "[Correspondance]\r\n0=%{a}\r\n5=%{b}\r\n", "A%{b}"},
        {"an empty key string types the action itself", "[Particuliere]\r\n 3={Valider}@ 3\r\n",
         "[Correspondance]\r\n", "AValider"},
        {"names match exactly", "[Particuliere]\r\n 3={valider}@ 3\r\n",
         "[Correspondance]\r\n3=%{v}\r\n", "AValider"},
        {"a system key", "[systeme]\r\n 0={Valider}@ 20\r\n", "[Correspondance]\r\n20=~\r\n", "A~"},
    };
    for (const auto& c : cas) {
        Traitement tr;
        tr.t.dossier.Ecrit("donnees/Touche.ini", c.touche);
        tr.t.dossier.Ecrit("donnees/Corres.ini", c.corres);
        EXPECT_EQ(tr.Execute({{"&CODE", "Valider"}, {}, 1, 0, 0, ".", "A\r"}), c.sortie) << c.nom;
    }
}

TEST(TraiteDonnees, ShippedKeyNamesGiveTheirKeys) {
    Traitement tr;
    EXPECT_EQ(
        tr.Execute({{"&CODE", "F4", "SHIFT", "TAB", "PLUS", "ENTER"}, {}, 1, 0, 0, ".", "A\r"}),
        "A{F4}+{TAB}{+}{ENTER}");
}

TEST(TraiteDonnees, KeepsOnlyTheChosenFieldsOfPartialFrames) {
    const QStringList actions = {"&A", "&B", "{ENTER}"};
    Verifie({
        {"places 3 and 1 of records of 3",
         {actions, {3, 1}, 1, 0, 3, ".", "X1\rY1\rZ1\rX2\rY2\rZ2\r"},
         "Z1X1{ENTER}Z2X2{ENTER}"},
        {"a final incomplete record is dropped",
         {actions, {3, 1}, 1, 0, 3, ".", "X1\rY1\rZ1\rX2\rY2\r"},
         "Z1X1{ENTER}"},
        {"line feeds in the frame",
         {actions, {2, 1}, 1, 0, 2, ".", "a\r\nb\r\nc\r\nd\r\n"},
         "ba{ENTER}dc{ENTER}"},
    });
}

TEST(ReduitTramePartielle, FollowsThePlacesOfEachRecord) {
    const auto places = [](std::initializer_list<qint16> liste) {
        std::vector<PlaceTrame> p{PlaceTrame{}};
        qint16 ordre = 0;
        for (const qint16 place : liste) {
            p.push_back({++ordre, place});
        }
        return p;
    };
    const struct {
        const char* nom;
        const char* trame;
        int nbr;
        std::vector<PlaceTrame> places;
        const char* attendu;
    } cas[] = {
        {"reorders", "X1\rY1\rZ1\rX2\rY2\rZ2\r", 3, places({3, 1}), "Z1\rX1\rZ2\rX2\r"},
        {"a place twice", "a\rb\r", 2, places({1, 1, 2}), "a\ra\rb\r"},
        {"a place beyond the record", "a\rb\r", 2, places({5, 1}), "\ra\r"},
        {"a place of 0", "a\rb\r", 2, places({0, 2}), "\rb\r"},
        {"incomplete last record", "a\rb\rc\r", 2, places({2}), "b\r"},
        {"tail without carriage return", "a\rb\rc", 2, places({1}), "a\r"},
        {"no places", "a\rb\r", 2, places({}), ""},
        {"records of 1", "a\rb\r", 1, places({1}), "a\rb\r"},
        {"no record size keeps the frame", "a\rb\r", 0, places({1}), "a\rb\r"},
        {"line feeds stay in the fields", "a\r\nb\r\n", 2, places({2}), "\nb\r"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(ReduitTramePartielle(QString::fromLatin1(c.trame), c.nbr, c.places),
                  QString::fromLatin1(c.attendu))
            << c.nom;
    }
}

TEST(TraiteDonnees, KeepsEveryFieldOfAVeryLongFrame) {
    QByteArray trame;
    const int nombre = 150000;
    for (int i = 0; i < nombre; ++i) {
        trame += QByteArray::number(i) + '\r';
    }
    Traitement tr;
    const QString sortie = tr.Execute({{"&CODE", "|"}, {}, 1, 0, 0, ".", trame});
    EXPECT_EQ(tr.etat.NbChamps, nombre);
    const QStringList morceaux = sortie.split('|', Qt::SkipEmptyParts);
    ASSERT_EQ(morceaux.size(), nombre);
    EXPECT_EQ(morceaux.front(), "0");
    EXPECT_EQ(morceaux[100001], "100001");
    EXPECT_EQ(morceaux.back(), QString::number(nombre - 1));
}

TEST(TraiteDonnees, ReportsItsProgress) {
    struct Enregistreur : Progression {
        QStringList libelles;
        QList<int> valeurs;
        void Libelle(const QString& t) override { libelles << t; }
        void Valeur(int v) override { valeurs << v; }
    } enr;
    Traitement tr;
    tr.Prepare({kCodeQte, {}, 1, 0, 0, ".", ""});
    const TableTouches touches;
    QString trame = QString("A\rB\rC\rD\r").repeated(50);
    VidageDonnees(trame, tr.etat, enr);
    const ContexteTraitement ctx{{"1", "0", "0"}, ".", touches, {}, QDate(), enr};
    TraiteDonnees(trame, tr.etat, tr.scenario, ctx);
    EXPECT_EQ(enr.libelles,
              (QStringList{"", "Vidage des données en cours.....", "Traitement des données..."}));
    ASSERT_FALSE(enr.valeurs.isEmpty());
    EXPECT_EQ(enr.valeurs.front(), 0);
    EXPECT_EQ(enr.valeurs.back(), 100);
    EXPECT_TRUE(enr.valeurs.contains(50));
    for (const int v : enr.valeurs) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 100);
    }
}

TEST(TraiteDonnees, TypedFieldsAreDataWrittenOnesAsTheyAre) {
    const QByteArray trame = "A1%8+x(y)~z\r{F5} 12.50^\r";
    const struct {
        bool fichier;
        bool champsTouches;
        QString sortie;
    } cas[] = {
        {false, false, "A1{%}8{+}x{(}y{)}{~}z{TAB}{{}F5{}} 12,50{^}"},
        {false, true, "A1%8+x(y)~z{TAB}{F5} 12,50^"},
        {true, false, "A1%8+x(y)~z{TAB}{F5} 12,50^"},
    };
    for (const auto& c : cas) {
        Traitement tr;
        tr.Prepare({kCodeQte, {}, 0, 0, 0, ",", ""});
        tr.scenario.SortieFichier = c.fichier;
        ProgressionMuette progression;
        const TableTouches touches;
        const ContexteTraitement ctx{{"", "", ""}, ",",         touches,        {},
                                     QDate(),      progression, c.champsTouches};
        EXPECT_EQ(
            TraiteTrame(QString::fromLatin1(trame), tr.etat, tr.scenario, ctx).remove("{ENTER}"),
            c.sortie)
            << c.fichier << c.champsTouches;
    }
}
