#include "storage/ScenarioActif.h"
#include "support/DossierTest.h"

#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;

namespace {

struct BulleEnregistree : InfoBulle {
    QStringList textes;
    void ModifieInfoBulle(int port, const QString& nom) override {
        textes << TexteInfoBulle(port, nom);
    }
};

QByteArray Compile(const QByteArray& champs, const QByteArray& choix, const QByteArray& trame,
                   const QByteArray& type = "Emulation", const QByteArray& specif = "0") {
    return "[Type]\r\nType=" + type + "\r\n[Ligne]\r\nChamps=" + champs +
           "\r\n[Boucle]\r\nIndex=0\r\n[Depart]\r\nIndex=0\r\n[Trame]\r\nTrame=" + trame +
           "\r\n[Partiel]\r\nChoix=" + choix + "\r\nNbr=3\r\n[Mat]\r\nSpecif=" + specif + "\r\n";
}

} // namespace

TEST(ChampNumero, ReturnsTheItemsEndedByTheSeparator) {
    const struct {
        const char* texte;
        int n;
        const char* sep;
        const char* attendu;
    } cas[] = {
        {"&CODE@{TAB}@&QTY@", 1, "@", "&CODE"},
        {"&CODE@{TAB}@&QTY@", 3, "@", "&QTY"},
        {"&CODE@{TAB}@&QTY@", 4, "@", ""},
        {"a@b@c", 3, "@", ""}, // no final separator: the tail is no item
        {"a@@c@", 2, "@", ""},
        {"a@@c@", 3, "@", "c"},
        {"@a@", 1, "@", ""},
        {"a@b@", 0, "@", ""},
        {"a@b@", -1, "@", ""},
        {"a@b@", 1, "", ""},
        {"", 1, "@", ""},
        {"un;;deux;;trois;;", 1, ";;", "un"},
        {"un;;deux;;trois;;", 2, ";;", ";deux"}, // a long separator's tail starts the item
        {"un;;deux;;trois;;", 3, ";;", ";trois"},
        {"x;;;y;;", 2, ";;", ""}, // the search restarts one character after a match
        {"x;;;y;;", 3, ";;", ";y"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(ChampNumero(c.texte, c.n, c.sep), c.attendu)
            << c.texte << " #" << c.n << " sep " << c.sep;
    }
}

TEST(ChampNumero, ItemsUpToTheFirstEmptyOneMatchItemByItem) {
    for (const char* texte : {"a@b@c@", "a@@c@", "a@b@c", "@x@", "", "x", "ab@cd@@ef@"}) {
        QStringList attendu;
        for (int i = 1; !ChampNumero(texte, i, "@").isEmpty(); ++i) {
            attendu << ChampNumero(texte, i, "@");
        }
        EXPECT_EQ(ItemsJusquAuVide(texte, "@"), attendu) << texte;
    }
    EXPECT_EQ(ItemsJusquAuVide("un;;deux;;", ";;"), (QStringList{"un", ";deux"}));
}

TEST(ChargeScenario, ReadsActionsPositionsAndFlags) {
    const struct {
        QByteArray fichier;
        QStringList actions;
        qint16 choix;
        std::vector<std::pair<qint16, qint16>> places;
        bool sortieFichier;
        bool numerote;
    } cas[] = {
        {Compile("&CODE@{TAB}@&QTY@{ENTER}@", "0", ""),
         {"&CODE", "{TAB}", "&QTY", "{ENTER}"},
         0,
         {},
         false,
         false},
        {Compile("&CODE@{TAB}@&QTY", "0", ""), {"&CODE", "{TAB}"}, 0, {}, false, false},
        {Compile("&CODE@@&QTY@", "0", ""), {"&CODE"}, 0, {}, false, false},
        {Compile("&EMP@&CODE@", "1", "4@2@"), {"&EMP", "&CODE"}, 1, {{1, 4}, {2, 2}}, false, false},
        {Compile("&EMP@", " 1", "4@x@7@", "Fichier", " 1"),
         {"&EMP"},
         1,
         {{1, 4}, {2, 0}, {3, 7}},
         true,
         true},
        {Compile("&EMP@", "0", "4@2@"), {"&EMP"}, 0, {}, false, false}, // positions unused
        {Compile("", "oui", "4@", "fichier", "2"), {}, 0, {}, false, false},
        {"", {}, 0, {}, false, false},
    };
    for (const auto& c : cas) {
        DonneesTest t;
        t.dossier.Ecrit("donnees/Scenarios/S.ini", c.fichier);
        EtatScenario etat;
        // What a previous load left must not survive.
        etat.ListeActions = QStringList{"", "vieux", "restes"};
        etat.PlacesTrame = {{}, {1, 9}};
        BulleEnregistree bulle;
        ChargeScenario(etat, "S", t.donnees, bulle, 2);

        EXPECT_EQ(etat.ListeActions, QStringList{""} + c.actions) << c.fichier.toStdString();
        EXPECT_EQ(etat.NombreActions(), c.actions.size());
        EXPECT_EQ(etat.ChoixPartiel, c.choix);
        ASSERT_EQ(etat.PlacesTrame.size(), c.places.size() + 1);
        for (std::size_t i = 0; i < c.places.size(); ++i) {
            EXPECT_EQ(etat.PlacesTrame[i + 1].Ordre, c.places[i].first);
            EXPECT_EQ(etat.PlacesTrame[i + 1].Place, c.places[i].second);
        }
        EXPECT_EQ(etat.SortieFichier, c.sortieFichier);
        EXPECT_EQ(etat.FichierNumerote, c.numerote);
        EXPECT_EQ(etat.ScenarioActif, "");
        EXPECT_EQ(bulle.textes, QStringList{TexteInfoBulle(2, "S")});
    }
}

TEST(ChargeScenarioActif, LoadsTheChosenScenario) {
    DonneesTest t;
    t.dossier.Ecrit("donnees/Scenarios/Réception.ini", Compile("&CODE@", "0", ""));
    t.registre.Ecrit(kRacScenChx, "Réception");
    EtatScenario etat;
    BulleEnregistree bulle;
    EXPECT_TRUE(ChargeScenarioActif(etat, t.env, bulle, 3));
    EXPECT_EQ(etat.ScenarioActif, "Réception");
    EXPECT_EQ(etat.ListeActions, (QStringList{"", "&CODE"}));
    EXPECT_EQ(bulle.textes, QStringList{TexteInfoBulle(3, "Réception")});
    EXPECT_TRUE(t.dialogues.Journal().empty());
}

TEST(ChargeScenarioActif, AMissingFileClearsTheChoiceAndSaysSo) {
    for (const QString& choisi :
         {QStringLiteral("Supprimé"), QStringLiteral(""), QStringLiteral("../Touche")}) {
        DonneesTest t;
        t.registre.Ecrit(kRacScenChx, choisi);
        EtatScenario etat;
        etat.ScenarioActif = "Ancien";
        etat.ListeActions = QStringList{"", "&CODE"};
        BulleEnregistree bulle;
        EXPECT_FALSE(ChargeScenarioActif(etat, t.env, bulle, 1));
        EXPECT_EQ(t.registre.Lit(kRacScenChx), "");
        EXPECT_EQ(etat.ScenarioActif, "");
        EXPECT_EQ(etat.ListeActions, (QStringList{"", "&CODE"}));
        ASSERT_EQ(t.dialogues.Journal().size(), 1u);
        const auto& m = t.dialogues.Journal()[0];
        EXPECT_EQ(m.texte, "Aucun scénario n'est défini");
        EXPECT_EQ(m.icone, Icone::Information);
        EXPECT_EQ(m.titre, "Kovra");
        EXPECT_TRUE(bulle.textes.isEmpty());
    }
}

TEST(TexteInfoBulle, IsCutOrPaddedTo64Characters) {
    EXPECT_EQ(TexteInfoBulle(1, "Inv"),
              QString("Kovra COM 1 : Ouvert, Scénario : Inv").leftJustified(64, ' '));
    const QString longue = TexteInfoBulle(12, QString(100, 'n'));
    EXPECT_EQ(longue.size(), 64);
    EXPECT_EQ(longue, ("Kovra COM 12 : Ouvert, Scénario : " + QString(100, 'n')).left(64));
    EXPECT_EQ(TexteInfoBulle(3, "Stock", "Fermé").trimmed(),
              "Kovra COM 3 : Fermé, Scénario : Stock");
}
