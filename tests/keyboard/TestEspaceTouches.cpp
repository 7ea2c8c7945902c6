#include "keyboard/ClavierEnregistreur.h"
#include "keyboard/PlanFrappe.h"

#include <gtest/gtest.h>

using namespace kovra;

namespace {

// A plan as one line: "+a" gives "vSHIFT v"a" ^"a" ^SHIFT", a pause "w40".
std::string Ligne(const PlanFrappe& plan) {
    std::string s;
    for (const EvenementFrappe& e : plan) {
        if (!s.empty()) {
            s += ' ';
        }
        switch (e.genre) {
        case EvenementFrappe::Genre::Enfonce:
            s += 'v' + ClavierEnregistreur::Nom(e.touche);
            break;
        case EvenementFrappe::Genre::Relache:
            s += '^' + ClavierEnregistreur::Nom(e.touche);
            break;
        case EvenementFrappe::Genre::Pause:
            s += 'w' + std::to_string(e.millisecondes);
            break;
        }
    }
    return s;
}

std::string Espace(const std::u32string& texte, int ms, const ClavierVirtuel& clavier,
                   int attente = 0) {
    PlanFrappe plan = PlanifieTouches(texte, attente, clavier);
    EspaceTouches(plan, ms);
    return Ligne(plan);
}

EvenementFrappe Evenement(EvenementFrappe::Genre genre, char32_t c) {
    return {genre, Touche::Caractere(c), 0};
}

} // namespace

TEST(EspaceTouches, PausesBetweenKeystrokesOnly) {
    const struct {
        std::u32string texte;
        int ms;
        std::string plan;
    } cas[] = {
        {U"ab", 40, R"(v"a" ^"a" w40 v"b" ^"b")"},
        {U"ab", 0, R"(v"a" ^"a" v"b" ^"b")"},
        {U"ab", -5, R"(v"a" ^"a" v"b" ^"b")"},
        {U"a", 40, R"(v"a" ^"a")"}, // nothing after the last keystroke
        {U"", 40, ""},
        // A key typed with a modifier is one keystroke.
        {U"+ab", 40, R"(vSHIFT v"a" ^"a" ^SHIFT w40 v"b" ^"b")"},
        {U"x%{F4}~", 7, R"(v"x" ^"x" w7 vALT vF4 ^F4 ^ALT w7 vENTER ^ENTER)"},
        // So is a group typed under one modifier.
        {U"+(ab)c", 40, R"(vSHIFT v"a" ^"a" v"b" ^"b" ^SHIFT w40 v"c" ^"c")"},
        {U"{TAB 2}", 10, "vTAB ^TAB w10 vTAB ^TAB"},
    };
    const ClavierEnregistreur clavier;
    for (const auto& c : cas) {
        EXPECT_EQ(Espace(c.texte, c.ms, clavier), c.plan)
            << std::string(c.texte.begin(), c.texte.end()) << " " << c.ms;
    }
}

TEST(EspaceTouches, KeepsAltCodesAndLockChangesWhole) {
    // A character beyond ASCII typed as an Alt code: Num Lock on, Alt held over the digits,
    // Num Lock back; each of these is one keystroke.
    const ClavierEnregistreur codesAlt(false, false, false, true);
    EXPECT_EQ(Espace(U"é", 5, codesAlt),
              "vNUMLOCK ^NUMLOCK w5 vALT vNUMPAD1 ^NUMPAD1 vNUMPAD3 ^NUMPAD3 vNUMPAD0 ^NUMPAD0 "
              "^ALT w5 vNUMLOCK ^NUMLOCK");
    // Caps Lock is put off before typing and back on after it.
    const ClavierEnregistreur majuscules(true);
    EXPECT_EQ(Espace(U"a", 5, majuscules),
              R"(vCAPSLOCK ^CAPSLOCK w5 v"a" ^"a" w5 vCAPSLOCK ^CAPSLOCK)");
    // The pause a key string asks for at its end stays as it is.
    EXPECT_EQ(Espace(U"ab", 40, ClavierEnregistreur(), 1), R"(v"a" ^"a" w40 v"b" ^"b" w20)");
}

TEST(EspaceTouches, APauseAlreadyThereLastsAtLeastTheSpacing) {
    using G = EvenementFrappe::Genre;
    for (const auto& [avant, apres] : {std::pair{10, 40}, std::pair{100, 100}}) {
        PlanFrappe plan{Evenement(G::Enfonce, U'a'),
                        Evenement(G::Relache, U'a'),
                        {G::Pause, {}, avant},
                        Evenement(G::Enfonce, U'b'),
                        Evenement(G::Relache, U'b')};
        EspaceTouches(plan, 40);
        EXPECT_EQ(Ligne(plan), R"(v"a" ^"a" w)" + std::to_string(apres) + R"( v"b" ^"b")");
    }
    // A release of a key the plan never pressed ends the keystroke before it, once.
    PlanFrappe plan{Evenement(G::Enfonce, U'a'),
                    Evenement(G::Relache, U'a'),
                    {G::Relache, Touche::Modificateur("SHIFT"), 0},
                    Evenement(G::Enfonce, U'b'),
                    Evenement(G::Relache, U'b')};
    EspaceTouches(plan, 40);
    EXPECT_EQ(Ligne(plan), R"(v"a" ^"a" ^SHIFT w40 v"b" ^"b")");
}
