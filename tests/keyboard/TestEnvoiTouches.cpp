#include "keyboard/ClavierEnregistreur.h"
#include "keyboard/EnvoiTouches.h"
#include "keyboard/TouchesNommees.h"

#include <set>

#include <gtest/gtest.h>

using namespace kovra;

namespace {

// The events of a key string as one line: "+a" gives "vSHIFT v"a" ^"a" ^SHIFT".
std::string Frappe(const std::u32string& texte, ClavierEnregistreur& clavier, int attente = 0) {
    EnvoiTouches(texte, attente, clavier);
    std::string s;
    for (const std::string& e : clavier.Evenements()) {
        if (!s.empty()) {
            s += ' ';
        }
        s += e.rfind("down ", 0) == 0 ? "v" + e.substr(5)
             : e.rfind("up ", 0) == 0 ? "^" + e.substr(3)
                                      : e;
    }
    return s;
}

std::string Frappe(const std::u32string& texte) {
    ClavierEnregistreur clavier;
    return Frappe(texte, clavier);
}

} // namespace

TEST(EnvoiTouches, KeypadDigitsAreTypedWithNumLockOn) {
    const struct {
        bool numerique; // Num Lock at the start
        std::u32string texte;
        std::string evenements;
    } cas[] = {
        {false, U"12{NUMPAD3}{NUMPAD4}5",
         R"(v"1" ^"1" v"2" ^"2" vNUMLOCK ^NUMLOCK vNUMPAD3 ^NUMPAD3 vNUMPAD4 ^NUMPAD4 )"
         R"(vNUMLOCK ^NUMLOCK v"5" ^"5")"},
        {false, U"{NUMPAD0 3}~",
         "vNUMLOCK ^NUMLOCK vNUMPAD0 ^NUMPAD0 vNUMPAD0 ^NUMPAD0 vNUMPAD0 ^NUMPAD0 "
         "vNUMLOCK ^NUMLOCK vENTER ^ENTER"},
        // Off at the start as every lock, on for the digit, and back on at the end.
        {true, U"{NUMPAD9}",
         "vNUMLOCK ^NUMLOCK vNUMLOCK ^NUMLOCK vNUMPAD9 ^NUMPAD9 vNUMLOCK ^NUMLOCK "
         "vNUMLOCK ^NUMLOCK"},
        // Modifiers held over the digits keep Num Lock on under them.
        {false, U"%({NUMPAD6}{NUMPAD5})a",
         R"(vALT vNUMLOCK ^NUMLOCK vNUMPAD6 ^NUMPAD6 vNUMPAD5 ^NUMPAD5 ^ALT vNUMLOCK ^NUMLOCK )"
         R"(v"a" ^"a")"},
        // Num Lock typed by the string: the digits need nothing more.
        {false, U"{NUMLOCK}{NUMPAD1}{NUMLOCK}",
         "vNUMLOCK ^NUMLOCK vNUMPAD1 ^NUMPAD1 vNUMLOCK ^NUMLOCK"},
        {false, U"{NUMPAD1}{NUMLOCK}{NUMPAD2}",
         "vNUMLOCK ^NUMLOCK vNUMPAD1 ^NUMPAD1 vNUMLOCK ^NUMLOCK vNUMLOCK ^NUMLOCK "
         "vNUMPAD2 ^NUMPAD2 vNUMLOCK ^NUMLOCK"},
    };
    for (const auto& c : cas) {
        ClavierEnregistreur clavier(false, c.numerique);
        EXPECT_EQ(Frappe(c.texte, clavier), c.evenements) << c.evenements;
        EXPECT_EQ(clavier.VerrouActif(Verrou::Numerique), c.numerique) << c.evenements;
    }
}

TEST(EnvoiTouches, FollowsTheKeyStringSyntax) {
    const struct {
        std::u32string texte;
        std::string evenements;
    } cas[] = {
        {U"a", R"(v"a" ^"a")"},
        {U"+a", R"(vSHIFT v"a" ^"a" ^SHIFT)"},
        {U"+ab", R"(vSHIFT v"a" ^"a" ^SHIFT v"b" ^"b")"},
        {U"+(ab)", R"(vSHIFT v"a" ^"a" v"b" ^"b" ^SHIFT)"},
        {U"^c", R"(vCONTROL v"c" ^"c" ^CONTROL)"},
        {U"%{F4}", "vALT vF4 ^F4 ^ALT"},
        {U"+^%x", R"(vSHIFT vCONTROL vALT v"x" ^"x" ^ALT ^CONTROL ^SHIFT)"}, // reverse order
        {U"+(^a)b", R"(vSHIFT vCONTROL v"a" ^"a" ^CONTROL ^SHIFT v"b" ^"b")"},
        {U"(+", "vSHIFT ^SHIFT"}, // released at the end
        {U"~", "vENTER ^ENTER"},
        {U"{TAB 3}", "vTAB ^TAB vTAB ^TAB vTAB ^TAB"},
        {U"{x 3}", R"(v"x" ^"x" v"x" ^"x" v"x" ^"x")"},
        {U"{TAB 1.6}", "vTAB ^TAB vTAB ^TAB"}, // rounded
        {U"{ 2}", ""},                         // empty name: nothing
        {U"{ENTER 0}abc", ""},                 // count 0 stops typing
        {U"a{TAB x}b", R"(v"a" ^"a")"},        // not a number: stops too
        {U"a{TAB", R"(v"a" ^"a")"},            // unclosed brace
        {U"{}}", R"(v"}" ^"}")"},
        {U"{{}", R"(v"{" ^"{")"},
        {U"{+}{^}{%}{~}{(}{)}", R"x(v"+" ^"+" v"^" ^"^" v"%" ^"%" v"~" ^"~" v"(" ^"(" v")" ^")")x"},
        {U"{enter}", "vENTER ^ENTER"},
        {U"{bs}{Del}", "vBS ^BS vDEL ^DEL"},
        {U"{TAB}{ENTER}", "vTAB ^TAB vENTER ^ENTER"},
        {U"{a}b}", R"(v"a" ^"a" v"}" ^"}" v"b" ^"b")"},
        {U"{Valider}", R"(v"V" ^"V" v"a" ^"a" v"l" ^"l" v"i" ^"i" v"d" ^"d" v"e" ^"e" v"r" ^"r")"},
        {U"{NUMPAD7}{F16}{PRTSCR}",
         "vNUMLOCK ^NUMLOCK vNUMPAD7 ^NUMPAD7 vNUMLOCK ^NUMLOCK vF16 ^F16 vPRTSCR ^PRTSCR"},
        {U"{F17}", R"(v"F" ^"F" v"1" ^"1" v"7" ^"7")"},
        {U"{F01}", R"(v"F" ^"F" v"0" ^"0" v"1" ^"1")"}, // no key name: its text
        {U"{NUMPAD01}", R"(v"N" ^"N" v"U" ^"U" v"M" ^"M" v"P" ^"P" v"A" ^"A" v"D" ^"D" v"0" ^"0" )"
                        R"(v"1" ^"1")"},
        {U"+{shift}", R"(vSHIFT v"s" ^"s" v"h" ^"h" v"i" ^"i" v"f" ^"f" v"t" ^"t" ^SHIFT)"},
        {U"+{TAB}", "vSHIFT vTAB ^TAB ^SHIFT"},
        {U"é", R"(v"é" ^"é")"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(Frappe(c.texte), c.evenements) << std::string(c.texte.begin(), c.texte.end());
    }
}

TEST(EnvoiTouches, PutsTheLocksBackAsTheyWere) {
    const struct {
        bool majuscules, numerique, defilement;
        std::u32string texte;
        int attente;
        std::string evenements;
        std::string verrous;
    } cas[] = {
        {true, false, false, U"abc", 0,
         R"(vCAPSLOCK ^CAPSLOCK v"a" ^"a" v"b" ^"b" v"c" ^"c" vCAPSLOCK ^CAPSLOCK)",
         "locks caps=on num=off scroll=off"},
        {false, false, false, U"{CAPSLOCK}abc", 0,
         R"(vCAPSLOCK ^CAPSLOCK v"a" ^"a" v"b" ^"b" v"c" ^"c" vCAPSLOCK ^CAPSLOCK)",
         "locks caps=off num=off scroll=off"},
        {true, true, true, U"x", 1, // waits, restores all
         R"(vCAPSLOCK ^CAPSLOCK vNUMLOCK ^NUMLOCK vSCROLLLOCK ^SCROLLLOCK v"x" ^"x" )"
         "vCAPSLOCK ^CAPSLOCK vNUMLOCK ^NUMLOCK vSCROLLLOCK ^SCROLLLOCK wait 20",
         "locks caps=on num=on scroll=on"},
        {false, false, false, U"{CAPSLOCK}{NUMLOCK}", 23, // left as the string set them
         "vCAPSLOCK ^CAPSLOCK vNUMLOCK ^NUMLOCK wait 20", "locks caps=on num=on scroll=off"},
        {true, false, false, U"a", 2, R"(vCAPSLOCK ^CAPSLOCK v"a" ^"a" wait 20)",
         "locks caps=off num=off scroll=off"},
        {false, true, false, U"{NUMLOCK}", 0, "vNUMLOCK ^NUMLOCK vNUMLOCK ^NUMLOCK",
         "locks caps=off num=on scroll=off"},
        {false, false, true, U"{SCROLLLOCK 2}", 4,
         "vSCROLLLOCK ^SCROLLLOCK vSCROLLLOCK ^SCROLLLOCK vSCROLLLOCK ^SCROLLLOCK wait 20",
         "locks caps=off num=off scroll=off"},
        {true, false, false, U"a{TAB", 0, // stopped early: still restored
         R"(vCAPSLOCK ^CAPSLOCK v"a" ^"a" vCAPSLOCK ^CAPSLOCK)",
         "locks caps=on num=off scroll=off"},
    };
    for (const auto& c : cas) {
        ClavierEnregistreur clavier(c.majuscules, c.numerique, c.defilement);
        EXPECT_EQ(Frappe(c.texte, clavier, c.attente), c.evenements)
            << std::string(c.texte.begin(), c.texte.end());
        EXPECT_EQ(clavier.EtatVerrous(), c.verrous);
    }
}

TEST(CodesAltNumerique, TypesCharactersBeyondAsciiByTheirOemCode) {
    const struct {
        std::u32string texte;
        std::u32string attendu;
    } cas[] = {
        {U"é", U"{NUMLOCK}%({NUMPAD1}{NUMPAD3}{NUMPAD0}){NUMLOCK}"},
        {U"aÇb", U"a{NUMLOCK}%({NUMPAD1}{NUMPAD2}{NUMPAD8}){NUMLOCK}b"},
        {U"£", U"{NUMLOCK}%({NUMPAD1}{NUMPAD5}{NUMPAD6}){NUMLOCK}"},
        {U"€", U"{NUMLOCK}%({NUMPAD6}{NUMPAD3}){NUMLOCK}"}, // not in code page 850: "?"
        {U"plain", U"plain"},
    };
    for (const auto& c : cas) {
        EXPECT_TRUE(CodesAltNumerique(c.texte) == c.attendu);
    }
    // Typed on a keyboard that asks for Alt codes, with Num Lock back off afterwards.
    ClavierEnregistreur clavier(false, false, false, true);
    EXPECT_EQ(Frappe(U"é", clavier),
              "vNUMLOCK ^NUMLOCK vALT vNUMPAD1 ^NUMPAD1 vNUMPAD3 ^NUMPAD3 vNUMPAD0 ^NUMPAD0 ^ALT "
              "vNUMLOCK ^NUMLOCK");
    EXPECT_EQ(clavier.EtatVerrous(), "locks caps=off num=off scroll=off");
}

TEST(CodeTouche, KnowsTheKeyTable) {
    const struct {
        const char* nom;
        int code;
    } cas[] = {
        {"BACKSPACE", 8}, {"bs", 8},           {"BkSp", 8},      {"BREAK", 19},   {"CAPSLOCK", 20},
        {"DELETE", 46},   {"DEL", 46},         {"DOWN", 40},     {"END", 35},     {"ENTER", 13},
        {"ESC", 27},      {"HELP", 47},        {"HOME", 36},     {"INS", 45},     {"INSERT", 45},
        {"LEFT", 37},     {"NUMLOCK", 144},    {"PGDN", 34},     {"PGUP", 33},    {"PRTSC", 42},
        {"RIGHT", 39},    {"SCROLLLOCK", 145}, {"TAB", 9},       {"UP", 38},      {"F1", 112},
        {"f16", 127},     {"NUMPAD0", 96},     {"numpad9", 105}, {"PRTSCR", 44},  {"F0", 0},
        {"F17", 0},       {"NUMPAD10", 0},     {"ENTRÉE", 0},    {"", 0},         {"SHIFT", 0},
        {"F01", 0},       {"F09", 0},          {"F016", 0},      {"NUMPAD01", 0}, {"NUMPAD", 0},
        {"NUMPAD 1", 0},  {"F+1", 0},          {"F 1", 0},       {"BS ", 0},      {"ALT", 0},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(CodeTouche(c.nom), c.code) << c.nom;
    }
}

TEST(CodeTouche, NamesEachKeyOnce) {
    std::set<std::string_view> noms;
    std::set<int> codes;
    for (const ToucheNommee& t : TouchesNommees()) {
        EXPECT_TRUE(codes.insert(t.code).second) << int(t.code);
        for (const std::string_view n : t.noms) {
            EXPECT_TRUE(n.empty() || noms.insert(n).second) << n;
        }
    }
    // The modifiers are keys of the table, but no key string names them.
    EXPECT_EQ(ChercheToucheNommee("shift"), nullptr);
    ASSERT_NE(ChercheToucheNommee("shift", true), nullptr);
    EXPECT_EQ(Touche::Modificateur("CONTROL").code, kCodeCtrl);
    EXPECT_EQ(Touche::Nommee("BkSp").code, 8);
    EXPECT_EQ(Touche::Nommee("F01").code, 0);
}

TEST(ArretTouches, NamesWhereAndWhyAStringWouldStop) {
    const auto compte = [](const std::string& touche) {
        return "La chaîne de touches s'arrête à « " + touche +
               " » : le nombre de répétitions doit être un nombre de 1 à 32767.";
    };
    const struct {
        std::u32string texte;
        std::string arret; // empty: types to its end
    } cas[] = {
        {U"a{B 40000}c", compte("{B 40000}")},
        {U"{ENTER 0}abc", compte("{ENTER 0}")},
        {U"{x 32768}", compte("{x 32768}")},
        {U"{x 1e300}", compte("{x 1e300}")},
        {U"{x -2}", compte("{x -2}")},
        {U"{x 0.4}", compte("{x 0.4}")},
        {U"a{TAB x}b", compte("{TAB x}")},
        {U"a{TAB", "La chaîne de touches s'arrête à « {TAB » : l'accolade n'est pas fermée."},
        {U"é{" + std::u32string(40, U'x'),
         "La chaîne de touches s'arrête à « {xxxxxxxxxxxxxxxxxxxxxxxxxxxxx… » : l'accolade "
         "n'est pas fermée."},
        {U"{x 32767}", ""},
        {U"{TAB 1.6}{x 1}{ 2}", ""},
        {U"{}}{{}{a}b}", ""},
        {U"plain é", ""},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(ArretTouches(c.texte), c.arret) << std::string(c.texte.begin(), c.texte.end());
    }
    // Where it stops, typing stops, as for a count of 0.
    EXPECT_EQ(Frappe(U"a{B 40000}c"), Frappe(U"a{B 0}c"));
    EXPECT_EQ(Frappe(U"a{B 40000}c"), R"(v"a" ^"a")");
}
