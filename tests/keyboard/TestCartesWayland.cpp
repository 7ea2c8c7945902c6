// The keymaps of the Wayland keyboards, without a desktop: Kovra's own keymap (what the
// desktop and every window will compile), and the look-up of characters in a user's layout.
#include "keyboard/wayland/Cadence.h"
#include "keyboard/wayland/CarteKovra.h"
#include "keyboard/wayland/DispositionXkb.h"

#include <gtest/gtest.h>
#include <memory>
#include <xkbcommon/xkbcommon.h>

using namespace kovra;

namespace {

struct Xkb {
    xkb_context* contexte = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    ~Xkb() { xkb_context_unref(contexte); }
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> Compile(const std::string& texte) {
        return {xkb_keymap_new_from_string(contexte, texte.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                           XKB_KEYMAP_COMPILE_NO_FLAGS),
                &xkb_keymap_unref};
    }
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> Disposition(const char* layout) {
        const xkb_rule_names noms{"evdev", "pc105", layout, "", ""};
        return {xkb_keymap_new_from_names(contexte, &noms, XKB_KEYMAP_COMPILE_NO_FLAGS),
                &xkb_keymap_unref};
    }
};

// What a window reads for a key of the keymap, Shift held or not.
xkb_keysym_t Lu(xkb_keymap* carte, std::uint32_t code, bool maj) {
    xkb_state* etat = xkb_state_new(carte);
    if (maj) {
        xkb_state_update_key(etat, 9, XKB_KEY_DOWN); // Kovra's Shift
    }
    const xkb_keysym_t ks = xkb_state_key_get_one_sym(etat, code);
    xkb_state_unref(etat);
    return ks;
}

} // namespace

TEST(CarteKovra, EveryCharacterATextNeedsIsOnAKeyOfItsOwnThatWindowsRead) {
    Xkb xkb;
    CarteKovra carte;
    const std::u32string texte = U"Prix : 12 € « œuvre » Ħ 😀 é";
    EXPECT_TRUE(carte.Ajoute(texte));
    EXPECT_FALSE(carte.Ajoute(texte)) << "nothing new: the keymap is not sent again";
    const auto compilee = xkb.Compile(carte.Texte());
    ASSERT_TRUE(compilee);
    for (const char32_t c : texte) {
        const auto code = carte.Code(Touche::Caractere(c));
        ASSERT_TRUE(code) << static_cast<int>(c);
        EXPECT_LE(*code, 255U);
        EXPECT_EQ(Lu(compilee.get(), *code, false), KeysymCaractere(c)) << static_cast<int>(c);
    }
    // A letter gives its capital with Shift (the engine's "+a"); other keys do not change.
    EXPECT_EQ(Lu(compilee.get(), *carte.Code(Touche::Caractere(U'a')), true), XKB_KEY_A);
    EXPECT_EQ(Lu(compilee.get(), *carte.Code(Touche::Caractere(U'é')), true), XKB_KEY_Eacute);
    EXPECT_EQ(Lu(compilee.get(), *carte.Code(Touche::Caractere(U'1')), true), XKB_KEY_1);
    // Named keys and modifiers, and the line ends and tabs of a text.
    const struct {
        Touche touche;
        xkb_keysym_t ks;
    } nommees[] = {
        {Touche::Nommee("ENTER"), XKB_KEY_Return},
        {Touche::Nommee("F12"), XKB_KEY_F12},
        {Touche::Nommee("NUMPAD7"), XKB_KEY_KP_7},
        {Touche::Modificateur("SHIFT"), XKB_KEY_Shift_L},
        {Touche::Modificateur("ALT"), XKB_KEY_Alt_L},
        {Touche::Caractere(U'\n'), XKB_KEY_Return},
        {Touche::Caractere(U'\t'), XKB_KEY_Tab},
    };
    for (const auto& n : nommees) {
        const auto code = carte.Code(n.touche);
        ASSERT_TRUE(code) << n.touche.nom;
        EXPECT_EQ(Lu(compilee.get(), *code, false), n.ks) << n.touche.nom;
    }
}

TEST(CarteKovra, ATextWithMoreCharactersThanKeysComesInAsItIsTyped) {
    Xkb xkb;
    CarteKovra carte;
    std::u32string texte;
    for (char32_t c = 0x4e00; texte.size() < CarteKovra::Capacite() + 40; ++c) {
        texte += c;
    }
    EXPECT_TRUE(carte.Ajoute(texte));
    EXPECT_TRUE(carte.Code(Touche::Caractere(texte.front())));
    EXPECT_FALSE(carte.Code(Touche::Caractere(texte.back())));
    // When its turn comes, the rest takes the place of what was typed.
    const std::u32string reste = texte.substr(texte.size() - 40);
    EXPECT_TRUE(carte.Ajoute(reste));
    for (const char32_t c : reste) {
        EXPECT_TRUE(carte.Code(Touche::Caractere(c)));
    }
    EXPECT_TRUE(xkb.Compile(carte.Texte()));
}

TEST(NomCourtDisposition, TheLayoutIsNamedAsTheUserChoseIt) {
    constexpr std::string_view kListe = "! model\n  pc105           Generic 105-key PC\n"
                                        "! layout\n  us              English (US)\n"
                                        "  fr              French\n"
                                        "! variant\n  nodeadkeys      de: German (no dead keys)\n"
                                        "! option\n  grp             Switching to another layout\n";
    const struct {
        const char* description;
        const char* nom;
    } cas[] = {
        {"French", "fr"},
        {"English (US)", "us"},
        {"German (no dead keys)", "de(nodeadkeys)"},
        {"Generic 105-key PC", "Generic 105-key PC"}, // a model, not a layout
        {"Klingon", "Klingon"},
        {"", ""},
    };
    for (const auto& k : cas) {
        EXPECT_EQ(NomCourtDisposition(k.description, kListe), k.nom) << k.description;
    }
}

TEST(DispositionXkb, EachCharacterIsFoundWithTheModifiersItsLevelNeeds) {
    Xkb xkb;
    const auto fr = xkb.Disposition("fr");
    const auto us = xkb.Disposition("us");
    ASSERT_TRUE(fr && us);
    const DispositionXkb dfr(fr.get(), 0), dus(us.get(), 0);
    EXPECT_EQ(dfr.Nom(), "fr");
    EXPECT_EQ(dus.Nom(), "us");
    const struct {
        const DispositionXkb& d;
        char32_t c;
        bool present, maj, altGr;
    } cas[] = {
        {dfr, U'é', true, false, false},  {dfr, U'1', true, true, false},
        {dfr, U'@', true, false, true},   {dfr, U'A', true, true, false},
        {dfr, U'ê', false, false, false}, // a dead key and a letter: not one key
        {dus, U'é', false, false, false}, {dus, U'~', true, true, false},
        {dus, U'a', true, false, false},
    };
    for (const auto& k : cas) {
        const auto acces = k.d.Cherche(KeysymCaractere(k.c));
        ASSERT_EQ(acces.has_value(), k.present) << k.d.Nom() << " " << static_cast<int>(k.c);
        if (acces) {
            EXPECT_EQ(acces->maj, k.maj) << static_cast<int>(k.c);
            EXPECT_EQ(acces->altGr, k.altGr) << static_cast<int>(k.c);
        }
    }
    const Touche touches[] = {Touche::Caractere(U'a'), Touche::Caractere(U'é'),
                              Touche::Nommee("F4"),    Touche::Caractere(U'œ'),
                              Touche::Caractere(U'é'), Touche::Nommee("NUMPAD3")};
    EXPECT_EQ(dus.Intapables(touches),
              (std::vector<Touche>{Touche::Caractere(U'é'), Touche::Caractere(U'œ')}));
}

TEST(Cadence, TheFirstKeyOfANewKeyboardWaitsForTheWindowsToBindIt) {
    const Cadence neuve(std::chrono::milliseconds(200));
    EXPECT_GT(neuve.Delai(true), 100);
    Cadence prete(std::chrono::milliseconds(0));
    EXPECT_EQ(prete.Delai(true), 0);
    EXPECT_GT(prete.Delai(false), 0) << "the last batch is not handled yet";
    for (int i = 0; i < Cadence::Reglage{}.parLot; ++i) {
        prete.Evenement();
    }
    EXPECT_GT(prete.Delai(true), 0) << "a full batch goes before the next key";
}
