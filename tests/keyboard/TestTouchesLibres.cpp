#include "keyboard/TouchesLibres.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace kovra;
using namespace std::string_literals;

namespace {

using Horloge = TouchesLibres::Horloge;
using Mods = TouchesLibres::Modificateurs;
using Acces = std::optional<Mods>;

const Acces kSans = Mods{};
const Acces kShift = Mods{true, false};
const Acces kAltGr = Mods{false, true};
const Acces kLesDeux = Mods{true, true};
const Acces kHorsDePortee = std::nullopt;

// Milliseconds into a run; the clock's zero is kept away from.
Horloge::time_point A(double ms) {
    return Horloge::time_point{} + std::chrono::hours(1) +
           std::chrono::microseconds(std::llround(ms * 1000));
}

std::string Lieu(const TouchesLibres::Place& p) {
    return std::to_string(p.code) + "." + std::to_string(p.niveau);
}

// A text for messages: ASCII as it is, the rest by code.
std::string Nom(const std::u32string& s) {
    std::string r;
    for (const char32_t c : s) {
        r += c < 0x80 ? std::string(1, static_cast<char>(c)) : "U+" + std::to_string(c);
    }
    return r;
}

// A keyboard that does what the choices say on a keymap of its own: each new spare key gets
// the levels `acces` gives, and the symbol of a character is its code.
struct Clavier {
    TouchesLibres t;
    std::map<int, std::vector<TouchesLibres::Niveau>> cles;
    std::vector<Acces> acces;

    explicit Clavier(std::vector<int> libres,
                     std::vector<Acces> a = {kSans, kShift, kAltGr, kLesDeux})
        : acces(std::move(a)) {
        t.Libres(std::move(libres));
    }

    // A key found holding these characters (0: an empty level).
    void Trouve(int code, const std::u32string& caracteres, Horloge::time_point quand) {
        auto& niveaux = cles[code];
        niveaux.clear();
        for (std::size_t n = 0; n < caracteres.size(); ++n) {
            niveaux.push_back({acces[n], caracteres[n], caracteres[n]});
        }
        t.Actualise(code, niveaux, quand);
    }

    // Binds a character where the choices say, when a place can take it now.
    bool Lie(char32_t c, Horloge::time_point quand) {
        const auto choix = t.Choisit(quand);
        if (!choix || choix->attente > 0) {
            return false;
        }
        auto& niveaux = cles[choix->code];
        if (choix->nouvelle) {
            EXPECT_FALSE(t.Reservee(choix->code)) << choix->code << " is a spare key already";
            niveaux.clear();
            for (const Acces& a : acces) {
                niveaux.push_back({a, 0, 0});
            }
        }
        auto& niveau = niveaux.at(static_cast<std::size_t>(choix->niveau));
        niveau.symbole = c;
        niveau.caractere = c;
        t.Actualise(choix->code, niveaux, quand);
        return true;
    }

    // Types a character the layout lacks: where it went ("9.0"), how long it must wait
    // ("wait 3000"), or "-" when no place can ever take it.
    std::string Tape(char32_t c, Horloge::time_point quand) {
        if (!t.Liee(c)) {
            const auto choix = t.Choisit(quand);
            if (!choix) {
                return "-";
            }
            if (choix->attente > 0) {
                return "wait " + std::to_string(choix->attente);
            }
            Lie(c, quand);
        }
        const auto place = t.Reprend(c, quand);
        if (!place) {
            return "unreachable";
        }
        // The keymap holds the character where it is typed.
        EXPECT_EQ(cles.at(place->code).at(static_cast<std::size_t>(place->niveau)).caractere, c);
        return Lieu(*place);
    }

    // Types each character at the same moment; their places, space-separated.
    std::string TapeTout(const std::u32string& texte, Horloge::time_point quand) {
        std::string s;
        for (const char32_t c : texte) {
            s += (s.empty() ? "" : " ") + Tape(c, quand);
        }
        return s;
    }
};

} // namespace

TEST(TouchesLibres, FreePlacesGoInOrderAndABoundCharacterKeepsItsPlace) {
    const struct {
        const char* cas;
        std::vector<int> libres;
        std::vector<Acces> acces;
        std::u32string texte;
        std::string places;
    } cas[] = {
        {"plain levels of new keys, highest keycode first, then Shift, AltGr, both",
         {8, 9},
         {kSans, kShift, kAltGr, kLesDeux},
         U"абвгдежз",
         "9.0 8.0 8.1 9.1 8.2 9.2 8.3 9.3"},
        {"a character typed again is where it was",
         {8, 9},
         {kSans, kShift},
         U"ааббав",
         "9.0 9.0 8.0 8.0 9.0 8.1"},
        {"two levels, then every place taken",
         {8, 9},
         {kSans, kShift},
         U"абвгд",
         "9.0 8.0 8.1 9.1 wait 3000"},
        {"levels typing cannot reach are never used",
         {8},
         {kSans, kHorsDePortee, kAltGr, kHorsDePortee},
         U"абв",
         "8.0 8.2 wait 3000"},
        {"no free keycode", {}, {kSans}, U"а", "-"},
    };
    for (const auto& c : cas) {
        Clavier clavier(c.libres, c.acces);
        EXPECT_EQ(clavier.TapeTout(c.texte, A(0)), c.places) << c.cas;
    }
}

TEST(TouchesLibres, KeysFoundBoundAreUsedAsTheyStand) {
    // Key 20 was left with x on its Shift level, key 30 without any level (so without
    // symbols, like a free keycode); both are spare keys, and x stays where it is.
    Clavier clavier({});
    clavier.Trouve(20, U"\0x\0\0"s, A(0));
    clavier.Trouve(30, U"", A(0));
    clavier.t.Libres({8, 9, 30});
    EXPECT_TRUE(clavier.t.Liee(U'x'));
    EXPECT_EQ(clavier.TapeTout(U"абвxг", A(0)), "20.0 9.0 8.0 20.1 8.1");
    EXPECT_EQ(clavier.t.Codes(), (std::vector<int>{8, 9, 20, 30}));
}

TEST(TouchesLibres, WhenEveryPlaceIsTakenTheOneTypedLongestAgoGoesOnceSurelyRead) {
    const int s = TouchesLibres::kSurete;
    // One key of two levels.
    const struct {
        char32_t c;
        double ms;
        std::string resultat;
    } pas[] = {
        {U'а', 0, "9.0"},              // а and б fill the key
        {U'б', 0, "9.1"},              //
        {U'в', 0, "wait 3000"},        // а, typed first, may still be read
        {U'в', 1000, "wait 2000"},     //
        {U'а', 2000, "9.0"},           // typed again: б is now the one typed longest ago
        {U'в', s - 0.5, "wait 1"},     // never less than kSurete
        {U'в', s, "9.1"},              // б gives its place up
        {U'б', s, "wait 2000"},        // а was typed at 2000
        {U'б', s + 2000, "9.0"},       //
        {U'а', s + 2000, "wait 1000"}, // в was bound at 3000
        {U'а', 2 * s, "9.1"},          //
    };
    Clavier clavier({9}, {kSans, kShift});
    for (const auto& p : pas) {
        EXPECT_EQ(clavier.Tape(p.c, A(p.ms)), p.resultat) << Nom({p.c}) << " at " << p.ms;
    }
    EXPECT_FALSE(clavier.t.Liee(U'в'));
}

TEST(TouchesLibres, AKeyHeldDownKeepsItsPlace) {
    Clavier clavier({9}, {kSans, kShift});
    EXPECT_EQ(clavier.TapeTout(U"аб", A(0)), "9.0 9.1");
    clavier.t.Enfonce(U'а');
    EXPECT_EQ(clavier.Tape(U'в', A(10000)), "9.1"); // not а's place, typed longer ago
    clavier.t.Enfonce(U'в');
    EXPECT_EQ(clavier.Tape(U'г', A(20000)), "-"); // every place held
    clavier.t.Relache(U'а');
    EXPECT_EQ(clavier.Tape(U'г', A(20000)), "9.0");
}

TEST(TouchesLibres, ACharacterOnALevelTypingNoLongerReachesIsBoundAgain) {
    Clavier clavier({8, 9}, {kSans, kAltGr});
    EXPECT_EQ(clavier.TapeTout(U"абв", A(0)), "9.0 8.0 8.1");
    EXPECT_EQ(clavier.TapeTout(U"ба", A(50)), "8.0 9.0");
    // A layout without AltGr: level 1 of key 8 can no longer be typed.
    auto niveaux = clavier.cles[8];
    niveaux[1].acces = kHorsDePortee;
    clavier.cles[8] = niveaux;
    clavier.t.Actualise(8, niveaux, A(100));
    EXPECT_TRUE(clavier.t.Liee(U'в'));
    EXPECT_FALSE(clavier.t.PlaceDe(U'в')->acces);
    // Nor is that level given to another character, though typed longest ago: б goes first
    // (typed as long ago as а, on the first key).
    EXPECT_EQ(clavier.Tape(U'г', A(10000)), "9.1");
    EXPECT_EQ(clavier.t.Choisit(A(10000)), (TouchesLibres::Choix{8, 0, false, 0}));
    // в is bound again, where б was.
    EXPECT_FALSE(clavier.t.Reprend(U'в', A(10000)));
    EXPECT_FALSE(clavier.t.Liee(U'в'));
    EXPECT_EQ(clavier.Tape(U'в', A(10000)), "8.0");
}

TEST(TouchesLibres, AKeyIsTakenAsItIsFound) {
    Clavier clavier({9});
    EXPECT_EQ(clavier.TapeTout(U"абвг", A(0)), "9.0 9.1 9.2 9.3");

    // Read again unchanged, the key keeps the times its characters were typed.
    clavier.t.Actualise(9, clavier.cles[9], A(2000));
    EXPECT_EQ(clavier.t.Choisit(A(3000))->attente, 0);

    // Another program put x where б was: б has no place, x has one, as typed now.
    auto niveaux = clavier.cles[9];
    niveaux[1].symbole = U'x';
    niveaux[1].caractere = U'x';
    clavier.cles[9] = niveaux;
    clavier.t.Actualise(9, niveaux, A(3000));
    EXPECT_FALSE(clavier.t.Liee(U'б'));
    EXPECT_EQ(clavier.t.PlaceDe(U'x')->niveau, 1);
    EXPECT_EQ(clavier.Tape(U'б', A(3000)), "9.0"); // а goes, x stays
    EXPECT_EQ(clavier.Tape(U'д', A(3000)), "9.2");
    EXPECT_EQ(clavier.Tape(U'е', A(3000)), "9.3");
    EXPECT_EQ(clavier.Tape(U'ж', A(3000)), "wait 3000");

    // A symbol that types no character takes a level for good.
    niveaux = clavier.cles[9];
    niveaux[2] = {kAltGr, 0xff0d, 0};
    clavier.cles[9] = niveaux;
    clavier.t.Actualise(9, niveaux, A(3000));
    EXPECT_FALSE(clavier.t.Liee(U'д'));
    EXPECT_EQ(clavier.t.Symboles(9), (std::vector<std::uint32_t>{U'б', U'x', 0xff0d, U'е'}));
    EXPECT_EQ(clavier.Tape(U'ж', A(60000)), "9.0");
    EXPECT_EQ(clavier.Tape(U'з', A(60000)), "9.1");
    EXPECT_EQ(clavier.Tape(U'и', A(60000)), "9.3");
    EXPECT_EQ(clavier.Tape(U'й', A(60000)), "wait 3000");

    // Down to two levels: what the others held has no place any more.
    niveaux = clavier.cles[9];
    niveaux.resize(2);
    clavier.cles[9] = niveaux;
    clavier.t.Actualise(9, niveaux, A(60000));
    EXPECT_FALSE(clavier.t.Liee(U'и'));
    EXPECT_EQ(clavier.t.Symboles(9).size(), 2u);

    // A key no longer spare takes its characters with it.
    clavier.t.Abandonne(9);
    EXPECT_FALSE(clavier.t.Reservee(9));
    EXPECT_FALSE(clavier.t.Liee(U'ж'));
    EXPECT_FALSE(clavier.t.Choisit(A(60000)));
}

TEST(TouchesLibres, ACharacterFoundOnTwoKeysKeepsThePlaceItHad) {
    Clavier clavier({});
    clavier.Trouve(20, U"а", A(0));
    clavier.Trouve(30, U"а", A(0));
    EXPECT_EQ(clavier.t.PlaceDe(U'а')->code, 20);
    clavier.Trouve(30, U"б", A(10));
    EXPECT_EQ(clavier.t.PlaceDe(U'а')->code, 20);
    // Key 20 taken away, а has no place but the one found next.
    clavier.t.Abandonne(20);
    EXPECT_FALSE(clavier.t.Liee(U'а'));
    clavier.Trouve(30, U"а", A(20));
    EXPECT_EQ(clavier.t.PlaceDe(U'а')->code, 30);
}

TEST(TouchesLibres, RestoredKeysAreForgotten) {
    Clavier clavier({8, 9});
    EXPECT_EQ(clavier.TapeTout(U"аб", A(0)), "9.0 8.0");
    clavier.t.Vide();
    EXPECT_FALSE(clavier.t.Liee(U'а'));
    EXPECT_TRUE(clavier.t.Codes().empty());
    EXPECT_TRUE(clavier.t.Symboles(9).empty());
    // The keycodes are free again once the keyboard says so.
    clavier.t.Libres({8, 9});
    EXPECT_EQ(clavier.TapeTout(U"ба", A(0)), "9.0 8.0");
}

TEST(TouchesLibres, WhatAKeyStringNeedsIsBoundBeforeItStarts) {
    const struct {
        const char* cas;
        std::vector<int> libres;
        std::u32string deja; // bound before, at 0
        std::u32string texte;
        std::string positions; // of the characters bound up front, in order
    } cas[] = {
        {"each missing character once", {8, 9}, U"", U"aΩb Ωжa", "1 5"},
        {"the layout types all", {8, 9}, U"", U"ab a", ""},
        {"bound already", {8, 9}, U"ж", U"жΩж", "1"},
        {"as many as there is room for now", {9}, U"", U"абвгдежзи", "0 1 2 3"},
        {"the rest waits for places", {9}, U"гд", U"абвгде", "0 1"},
        {"nowhere to go", {}, U"", U"aΩ", ""},
        {"nothing to type", {8}, U"", U"", ""},
    };
    for (const auto& c : cas) {
        Clavier clavier(c.libres);
        clavier.TapeTout(c.deja, A(0));
        const auto dansDisposition = [](char32_t x) {
            return x == U'a' || x == U'b' || x == ' ';
        };
        std::string positions;
        const std::u32string_view texte = c.texte;
        auto i = clavier.t.ProchaineALier(texte, 0, dansDisposition, A(1000));
        while (i) {
            positions += (positions.empty() ? "" : " ") + std::to_string(*i);
            ASSERT_TRUE(clavier.Lie(texte[*i], A(1000))) << c.cas;
            i = clavier.t.ProchaineALier(texte, *i + 1, dansDisposition, A(1000));
        }
        EXPECT_EQ(positions, c.positions) << c.cas;
    }
}

TEST(TouchesLibres, ALongTextNeverTakesAPlaceItsCharacterMayStillBeReadFrom) {
    // Three keys of two levels for 40 distinct characters, typed again and again, each
    // held down 5 ms and 5 ms apart, as the keyboard does: the key string's characters
    // bound first, the others as they come, waiting when told to.
    std::u32string texte;
    for (int tour = 0; tour < 3; ++tour) {
        for (char32_t c = 0x0430; c < 0x0430 + 40; c += static_cast<char32_t>(1 + tour)) {
            texte += c;
        }
    }
    Clavier clavier({8, 9, 10}, {kSans, kShift});
    const auto dansDisposition = [](char32_t) {
        return false;
    };
    Horloge::time_point t = A(0);
    for (auto i = clavier.t.ProchaineALier(texte, 0, dansDisposition, t); i;
         i = clavier.t.ProchaineALier(texte, *i + 1, dansDisposition, t)) {
        ASSERT_TRUE(clavier.Lie(texte[*i], t));
    }
    // When each place was last typed, and with what.
    std::map<std::pair<int, int>, std::pair<Horloge::time_point, char32_t>> tapees;
    for (const char32_t c : texte) {
        std::string place = clavier.Tape(c, t);
        if (place.starts_with("wait ")) {
            t += std::chrono::milliseconds(std::stoi(place.substr(5)));
            place = clavier.Tape(c, t);
        }
        const auto p = clavier.t.PlaceDe(c);
        ASSERT_TRUE(p) << Nom({c}) << ": " << place;
        const auto avant = tapees.find({p->code, p->niveau});
        if (avant != tapees.end() && avant->second.second != c) {
            EXPECT_GE(t - avant->second.first, std::chrono::milliseconds(TouchesLibres::kSurete))
                << Nom({c}) << " took " << place << " from " << Nom({avant->second.second});
        }
        tapees[{p->code, p->niveau}] = {t, c};
        clavier.t.Enfonce(c);
        t += std::chrono::milliseconds(5);
        clavier.t.Relache(c);
        t += std::chrono::milliseconds(5);
    }
    EXPECT_EQ(tapees.size(), 6u);
}
