#include "storage/NomScenario.h"

#include <gtest/gtest.h>

using namespace kovra;

TEST(NomScenario, AcceptsOnlyNamesThatAreFileNames) {
    const struct {
        const char* nom;
        bool accepte;
    } cas[] = {
        {"Inventaire", true},  {"L'entrée du dépôt", true},
        {"Cde 2026-12", true}, {"a..b", true},
        {"COM10", true},       {"console", true},
        {"", false},           {"   ", false},
        {".", false},          {"..", false},
        {"../dehors", false},  {"a/b", false},
        {"a\\b", false},       {"C:", false},
        {"a*", false},         {"a?", false},
        {"<a>", false},        {"a|b", false},
        {"\"a\"", false},      {"fin.", false},
        {"fin ", false},       {"CON", false},
        {"nul.txt", false},    {"Com1", false},
        {"lpt9", false},       {"tab\there", false},
    };
    for (const auto& c : cas) {
        const auto probleme = ProblemeNomScenario(QString::fromUtf8(c.nom));
        EXPECT_EQ(!probleme.has_value(), c.accepte) << '"' << c.nom << '"';
        if (probleme) {
            EXPECT_FALSE(probleme->isEmpty());
        }
    }
    EXPECT_TRUE(ProblemeNomScenario(QString(251, 'a')) == std::nullopt);
    EXPECT_FALSE(ProblemeNomScenario(QString(252, 'a')) == std::nullopt);
}

TEST(NomScenario, ANewNameKeepsToWindows1252AsEveryOtherTextOfAScenario) {
    const struct {
        const char* nom;
        bool accepte;
    } cas[] = {
        {"Réception", true}, {"Dépôt € Œuvre", true}, {"Łódź", false},     {"Склад", false},
        {"Stock ✓", false},  {"a/b", false},          {"Entrée 😀", false}, {"Ÿ", true},
    };
    for (const auto& c : cas) {
        const auto probleme = ProblemeNouveauNomScenario(QString::fromUtf8(c.nom));
        EXPECT_EQ(!probleme.has_value(), c.accepte) << c.nom;
    }
    // A scenario already named so keeps working: its compiled file is still found.
    EXPECT_EQ(ProblemeNomScenario(QString::fromUtf8("Łódź")), std::nullopt);
    EXPECT_TRUE(ProblemeNouveauNomScenario(QString::fromUtf8("Łódź"))->contains("Windows-1252"));
}
