#include "keyboard/Keysyms.h"

#include <array>
#include <utility>

namespace kovra {

namespace {

// The keysym of each key of the key table, by its code: F1 to F16 and the keypad's digits
// follow each other in both.
constexpr Keysym kF1 = 0xffbe;
constexpr Keysym kPave0 = 0xffb0;
constexpr std::pair<std::uint8_t, Keysym> kKeysymsNommes[] = {
    {8, 0xff08},       {9, kKeysymTabulation}, {13, kKeysymEntree},   {16, kKeysymMaj},
    {17, kKeysymCtrl}, {18, kKeysymAlt},       {19, 0xff13},          {20, kKeysymVerrMaj},
    {27, 0xff1b},      {33, 0xff55},           {34, 0xff56},          {35, 0xff57},
    {36, 0xff50},      {37, 0xff51},           {38, 0xff52},          {39, 0xff53},
    {40, 0xff54},      {42, 0xff61},           {44, 0xff61},          {45, 0xff63},
    {46, 0xffff},      {47, 0xff6a},           {144, kKeysymVerrNum}, {145, 0xff14},
};

// The characters whose keysym is neither Latin-1 nor a Unicode keysym.
constexpr std::array<std::pair<char32_t, Keysym>, 4> kKeysymsAnciens{{
    {U'€', 0x20ac},
    {U'œ', 0x13bd},
    {U'Œ', 0x13bc},
    {U'Ÿ', 0x13be},
}};

constexpr Keysym kUnicode = 0x01000000;

} // namespace

Keysym KeysymNomme(std::uint8_t code) {
    if (code >= 112 && code <= 127) {
        return kF1 + static_cast<Keysym>(code - 112);
    }
    if (code >= 96 && code <= 105) {
        // The keypad's digit keys; the key-string engine types them with Num Lock on.
        return kPave0 + static_cast<Keysym>(code - 96);
    }
    for (const auto& [c, ks] : kKeysymsNommes) {
        if (c == code) {
            return ks;
        }
    }
    return kKeysymAucun;
}

Keysym KeysymCaractere(char32_t c) {
    if (c == U'\t') {
        return kKeysymTabulation;
    }
    if (c == U'\n' || c == U'\r') {
        return kKeysymEntree;
    }
    if (c < 0x20 || (c >= 0x7f && c < 0xa0) || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) {
        return kKeysymAucun;
    }
    if (c <= 0xff) {
        return c;
    }
    for (const auto& [car, ks] : kKeysymsAnciens) {
        if (car == c) {
            return ks;
        }
    }
    return kUnicode | c;
}

char32_t CaractereKeysym(Keysym ks) {
    if ((ks >= 0x20 && ks <= 0x7e) || (ks >= 0xa0 && ks <= 0xff)) {
        return static_cast<char32_t>(ks);
    }
    if ((ks & 0xff000000U) == kUnicode) {
        return static_cast<char32_t>(ks & 0x00ffffffU);
    }
    for (const auto& [c, k] : kKeysymsAnciens) {
        if (k == ks) {
            return c;
        }
    }
    return 0;
}

} // namespace kovra
