#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kovra {

// A key the key-string engine names: the names a key string may write for it (upper case;
// the first is its own name), and its Windows virtual-key code. The code identifies the key
// everywhere below the engine: each keyboard backend maps it to a key of its own (a keysym
// on X11; the code itself on Windows).
struct ToucheNommee {
    std::uint8_t code;
    std::array<std::string_view, 3> noms;
    // False for the modifiers, which the engine presses for "+", "^" and "%": a key string
    // cannot name them.
    bool nommable = true;
};

// Every named key, each once.
std::span<const ToucheNommee> TouchesNommees();

// The key a name stands for, compared in upper case; nullptr when the name is no key name.
// The modifiers ("SHIFT", "CONTROL", "ALT") are found only when asked for.
const ToucheNommee* ChercheToucheNommee(std::string_view nom, bool modificateurs = false);

// Codes of the keys the engine itself presses.
inline constexpr std::uint8_t kCodeMaj = 16;
inline constexpr std::uint8_t kCodeCtrl = 17;
inline constexpr std::uint8_t kCodeAlt = 18;
inline constexpr std::uint8_t kCodeEntree = 13;

} // namespace kovra
