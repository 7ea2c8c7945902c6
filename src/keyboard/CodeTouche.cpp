#include "keyboard/EnvoiTouches.h"
#include "keyboard/TouchesNommees.h"

namespace kovra {

namespace {

// Each name is written out: "F01", "F1 " or "NUMPAD00" are no key names, so they are typed
// as their text, like any other word in braces.
constexpr ToucheNommee kTouches[] = {
    {8, {"BACKSPACE", "BS", "BKSP"}},
    {19, {"BREAK"}},
    {20, {"CAPSLOCK"}},
    {46, {"DELETE", "DEL"}},
    {40, {"DOWN"}},
    {35, {"END"}},
    {13, {"ENTER"}},
    {27, {"ESC"}},
    {47, {"HELP"}},
    {36, {"HOME"}},
    {45, {"INS", "INSERT"}},
    {37, {"LEFT"}},
    {144, {"NUMLOCK"}},
    {34, {"PGDN"}},
    {33, {"PGUP"}},
    {42, {"PRTSC"}},
    {39, {"RIGHT"}},
    {145, {"SCROLLLOCK"}},
    {9, {"TAB"}},
    {38, {"UP"}},
    {112, {"F1"}},
    {113, {"F2"}},
    {114, {"F3"}},
    {115, {"F4"}},
    {116, {"F5"}},
    {117, {"F6"}},
    {118, {"F7"}},
    {119, {"F8"}},
    {120, {"F9"}},
    {121, {"F10"}},
    {122, {"F11"}},
    {123, {"F12"}},
    {124, {"F13"}},
    {125, {"F14"}},
    {126, {"F15"}},
    {127, {"F16"}},
    {96, {"NUMPAD0"}},
    {97, {"NUMPAD1"}},
    {98, {"NUMPAD2"}},
    {99, {"NUMPAD3"}},
    {100, {"NUMPAD4"}},
    {101, {"NUMPAD5"}},
    {102, {"NUMPAD6"}},
    {103, {"NUMPAD7"}},
    {104, {"NUMPAD8"}},
    {105, {"NUMPAD9"}},
    {44, {"PRTSCR"}},
    {kCodeMaj, {"SHIFT"}, false},
    {kCodeCtrl, {"CONTROL"}, false},
    {kCodeAlt, {"ALT"}, false},
};

bool MemeNom(std::string_view ecrit, std::string_view nom) {
    if (ecrit.size() != nom.size() || nom.empty()) {
        return false;
    }
    for (std::size_t i = 0; i < nom.size(); ++i) {
        const char c = ecrit[i];
        if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != nom[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::span<const ToucheNommee> TouchesNommees() {
    return kTouches;
}

const ToucheNommee* ChercheToucheNommee(std::string_view nom, bool modificateurs) {
    for (const ToucheNommee& t : TouchesNommees()) {
        if (!t.nommable && !modificateurs) {
            continue;
        }
        for (const std::string_view n : t.noms) {
            if (MemeNom(nom, n)) {
                return &t;
            }
        }
    }
    return nullptr;
}

std::uint8_t CodeTouche(std::string_view nom) {
    const ToucheNommee* t = ChercheToucheNommee(nom);
    return t != nullptr ? t->code : 0;
}

} // namespace kovra
