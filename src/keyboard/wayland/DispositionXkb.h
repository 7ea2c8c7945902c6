#pragma once

#include "keyboard/ClavierVirtuel.h"
#include "keyboard/Keysyms.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct xkb_keymap;

namespace kovra {

// What the user's layout types, read from an XKB keymap, for the desktops that type only
// through it: which key gives each keysym in one of its layouts (groups), and with which of
// Shift and AltGr held.
class DispositionXkb {
public:
    struct Acces {
        std::uint32_t code = 0; // XKB keycode (the evdev code + 8)
        bool maj = false;
        bool altGr = false;
    };

    DispositionXkb(xkb_keymap* carte, std::uint32_t groupe);

    // The key that gives `ks`, at the place with the fewest modifiers.
    std::optional<Acces> Cherche(Keysym ks) const;
    // The keysym a key of the engine stands for (0: none).
    static Keysym KeysymDe(const Touche& t);
    // The keys of `touches` this layout cannot type, each once, in order.
    std::vector<Touche> Intapables(std::span<const Touche> touches) const;
    // The layout's short name as the user chose it ("fr", "de(nodeadkeys)"), else its
    // description ("French"); empty when the keymap names none.
    const std::string& Nom() const { return nom_; }

private:
    std::unordered_map<Keysym, Acces> acces_;
    std::string nom_;
};

// The short name of a layout ("fr", "de(nodeadkeys)") by its description ("French",
// "German (no dead keys)"), as the list of XKB's rules gives them (the text of evdev.lst);
// the description itself when the list does not hold it.
std::string NomCourtDisposition(const std::string& description, std::string_view liste);

} // namespace kovra
