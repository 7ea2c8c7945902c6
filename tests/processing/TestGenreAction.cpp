#include "processing/GenreAction.h"
#include "processing/TraitementTest.h"

#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::Traitement;

// Which actions take a field of the record: the editor asks a field's place, and the test
// window a value, for these only. Each case is also run through processing, which must
// agree: before "|" and "&CODE", an action that takes a field takes F1, so "|" is never
// followed by F1.
TEST(GenreAction, TellsTheActionsThatTakeAField) {
    const struct {
        const char* action;
        bool prendChamp;
    } cas[] = {
        {"&CODE", true},       {"&QTY", true},        {"&EMP", true},        {"&code", true},
        {"&", true},           {"&TIMER", true},      {"&DATE ", true},      {"&DATE", false},
        {"&TAB", false},       {"&PASSLIGNE", false}, {"&INCREMENT", false}, {"&FERMER", false},
        {"&OUVRIR_E", false},  {"&OUVRIR_S", false},  {"&VALIDER", false},   {"&Timer", false},
        {"&Timer 500", false}, {"&Timerx", false},    {"^c", false},         {"{TAB}", false},
        {"TAB", false},        {"Entrée", false},     {" &CODE", false},
    };
    for (const auto& c : cas) {
        const QString action = QString::fromUtf8(c.action);
        EXPECT_EQ(PrendChamp(action), c.prendChamp) << c.action;
        Traitement tr;
        const QString sortie = tr.Execute({{action, "|", "&CODE"}, {}, 0, 0, 0, ".", "F1\rF2\r"});
        EXPECT_EQ(!sortie.contains("|F1"), c.prendChamp)
            << c.action << " gives " << sortie.toStdString();
    }
    EXPECT_FALSE(PrendChamp(QString()));
}
