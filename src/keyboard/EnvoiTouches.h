#pragma once

#include "keyboard/ClavierVirtuel.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kovra {

// Types a key string: "+" "^" "%" hold Shift, Ctrl, Alt for the next key (or for a group
// in parentheses), "~" is Enter, "{NAME}" a named key or the literal characters of the
// name, "{NAME n}" the same n times, anything else the character itself. The three locks
// are off while typing and back as they were at the end, except those that `attente`
// names by its digits (2 Caps Lock, 3 Num Lock, 4 Scroll Lock); a non-zero `attente` also
// waits 20 ms at the end. An unclosed brace or a count that is not a number from 1 to 32767
// ends typing there (see ArretTouches).
void EnvoiTouches(std::u32string_view texte, int attente, ClavierVirtuel& clavier);

// The characters the key syntax reads as commands rather than as themselves; "{c}" types
// any of them as itself.
inline constexpr std::u32string_view kSignesTouches = U"+^%~(){}";

// Why a key string would stop before its end, in UTF-8: a brace that is not closed, or a
// repeat count that is no number from 1 to 32767 (rounded). Empty when it types to its end.
// Whatever types key strings for the user refuses such a one whole, with this message,
// rather than type its beginning.
std::string ArretTouches(std::u32string_view texte);

// The platform's key code of a key name (any case): 0 when the name is no key name.
std::uint8_t CodeTouche(std::string_view nom);

// The text in UTF-8, as messages and records show it.
std::string EnUtf8(std::u32string_view texte);

// Replaces each character of code 128 or more by Num Lock, Alt held over its code page 850
// number typed on the numeric keypad, and Num Lock again.
std::u32string CodesAltNumerique(std::u32string_view texte);

// Lock-key helpers.
// Each says whether the keyboard could press the key.
[[nodiscard]] bool BasculeTouche(ClavierVirtuel& clavier, int codeTouche); // 20, 144 or 145
[[nodiscard]] bool VerrMajActif(const ClavierVirtuel& clavier);
[[nodiscard]] bool VerrNumActif(const ClavierVirtuel& clavier);
[[nodiscard]] bool InverseVerrNum(ClavierVirtuel& clavier);
[[nodiscard]] bool EteintVerrMaj(ClavierVirtuel& clavier); // true too when it was off

// Key codes of the three lock keys.
inline constexpr int kCodeVerrMaj = 20;
inline constexpr int kCodeVerrNum = 144;
inline constexpr int kCodeVerrDefil = 145;

} // namespace kovra
