#include "processing/TableTouches.h"
#include "support/DossierTest.h"

#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;

TEST(ChargeTableTouches, ReadsBothFilesIntoTheTable) {
    DonneesTest t;
    const TableTouches table = ChargeTableTouches(t.donnees);
    EXPECT_EQ(table.Entrees[0].nom, "{F1}");
    EXPECT_EQ(table.Entrees[0].touches, "{F1}");
    EXPECT_EQ(table.Entrees[15].nom, "{BACKSPACE}");
    EXPECT_EQ(table.Entrees[37].touches, "%");
    EXPECT_EQ(table.Entrees[38].nom, "");
    EXPECT_EQ(table.Cherche("{ENTER}"), "{ENTER}");
    EXPECT_EQ(table.Cherche("{CTRL}"), "^");
    EXPECT_EQ(table.Cherche("ENTER"), "");
    EXPECT_EQ(table.Cherche(""), "");
}

TEST(ChargeTableTouches, TheSlotAfterTheAtSignChoosesTheKeyString) {
    DonneesTest t;
    t.dossier.Ecrit("donnees/Touche.ini", "[Particuliere]\r\n"
                                          " 0={Zéro}@ 7\r\n"
                                          " 1=sans arobase\r\n"
                                          " 2={Double}@ 1\r\n"
                                          " 3={Double}@ 2\r\n"
                                          " 4=@ 3\r\n"
                                          "[systeme]\r\n"
                                          " 22={Dernier}@ 37\r\n");
    t.dossier.Ecrit("donnees/Corres.ini", "[Correspondance]\r\n0=zéro\r\n1=un\r\n2=deux\r\n"
                                          "3=trois\r\n7=sept\r\n37=%{f}\r\n");
    const TableTouches table = ChargeTableTouches(t.donnees);
    const struct {
        int entree;
        const char* nom;
        const char* touches;
    } cas[] = {
        {0, "{Zéro}", "sept"}, {1, "", "zéro"}, // no "@": empty name, slot 0
        {5, "", "zéro"},                        // missing line: the same
        {4, "", "trois"},      {37, "{Dernier}", "%{f}"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(table.Entrees[c.entree].nom, QString::fromUtf8(c.nom)) << c.entree;
        EXPECT_EQ(table.Entrees[c.entree].touches, QString::fromUtf8(c.touches)) << c.entree;
    }
    EXPECT_EQ(table.Cherche("{Double}"), "deux");
}
