#pragma once

#include "keyboard/ClavierVirtuel.h"
#include "keyboard/Keysyms.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kovra {

// The keymap Kovra gives its own keyboard where the desktop lets a program bring one
// (wlroots' virtual keyboards): the modifiers and named keys the engine presses, every
// printable ASCII character, and the other characters the text needs, each on a key of
// its own, so that any character is typed whatever the user's layout. A letter's key
// gives its capital with Shift (and Caps Lock), as on a real keyboard.
//
// Keycodes stay within 8 to 255, so that X11 programs (XWayland) can read it too; when the
// characters of a text do not all fit, those it does not need give their keys up.
class CarteKovra {
public:
    // Keys left for characters beyond the fixed ones.
    static std::size_t Capacite();

    CarteKovra();

    // Makes room for the characters of `texte` (in order of first use) that the keymap
    // lacks: true when it changed, and must be sent again. Those that do not fit are left
    // out (Code() then says so): the caller adds them when their turn comes.
    bool Ajoute(std::u32string_view texte);
    // The XKB keycode of a key, if the keymap holds it.
    std::optional<std::uint32_t> Code(const Touche& t) const;
    // The keymap in XKB's text form.
    std::string Texte() const;

private:
    struct Fixe {
        Keysym ks;
        const char* modificateur; // the modifier it sets, or nullptr
    };
    static const std::vector<Fixe>& Fixes();
    std::uint32_t PremierLibre() const;

    // The keycode of each character, and the character of each such keycode.
    std::unordered_map<char32_t, std::uint32_t> caracteres_;
    std::unordered_map<std::uint32_t, char32_t> codes_;
};

} // namespace kovra
