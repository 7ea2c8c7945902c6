#pragma once

#include <cstdint>

namespace kovra {

// Keysyms, the key names X11 and XKB share (the same numbers in Xlib and libxkbcommon), for
// the backends that describe keys by them.
using Keysym = std::uint32_t;
inline constexpr Keysym kKeysymAucun = 0;
inline constexpr Keysym kKeysymMaj = 0xffe1;        // Shift_L
inline constexpr Keysym kKeysymCtrl = 0xffe3;       // Control_L
inline constexpr Keysym kKeysymAlt = 0xffe9;        // Alt_L
inline constexpr Keysym kKeysymAltGr = 0xfe03;      // ISO_Level3_Shift
inline constexpr Keysym kKeysymVerrMaj = 0xffe5;    // Caps_Lock
inline constexpr Keysym kKeysymVerrNum = 0xff7f;    // Num_Lock
inline constexpr Keysym kKeysymEntree = 0xff0d;     // Return
inline constexpr Keysym kKeysymTabulation = 0xff09; // Tab

// The keysym of a key of the key table, by its code (see TouchesNommees.h); 0 for a code
// no keysym stands for.
Keysym KeysymNomme(std::uint8_t code);

// The keysym that types a character: Latin-1 ones are their own code, a few have an older
// keysym of their own (€, œ, Œ, Ÿ), the others the Unicode keysym. A control character has
// none (0), except Tab, line feed and carriage return (Tab, Return).
Keysym KeysymCaractere(char32_t c);

// The character a keysym types; 0 when it types none.
char32_t CaractereKeysym(Keysym ks);

} // namespace kovra
