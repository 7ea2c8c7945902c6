#pragma once

#include "keyboard/TouchesNommees.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kovra {

enum class Verrou { Majuscules, Numerique, Defilement };

// One key as the key-string engine names it: a modifier ("SHIFT", "CONTROL", "ALT"), a
// named key, or the key that types a character. A modifier or named key carries its name
// as the key string wrote it, upper-cased ("ENTER", "F4", "BS", "NUMPAD1"...), and the code
// the key table gives that name (0 for a name the table lacks: no keyboard can type it).
struct Touche {
    enum class Genre { Modificateur, Nommee, Caractere };
    Genre genre = Genre::Caractere;
    std::string nom;
    char32_t caractere = 0;
    std::uint8_t code = 0;

    static Touche Modificateur(std::string n) { return Avec(Genre::Modificateur, std::move(n)); }
    static Touche Nommee(std::string n) { return Avec(Genre::Nommee, std::move(n)); }
    static Touche Caractere(char32_t c) { return {Genre::Caractere, {}, c, 0}; }

    friend bool operator==(const Touche&, const Touche&) = default;

private:
    static Touche Avec(Genre g, std::string n) {
        const ToucheNommee* t = ChercheToucheNommee(n, g == Genre::Modificateur);
        const std::uint8_t code = t != nullptr ? t->code : 0;
        return {g, std::move(n), 0, code};
    }
};

// What the key-string engine drives: a keyboard that presses and releases keys and tells
// the state of its locks. One implementation per platform, and a recorder for tests and
// dry runs. Nothing here waits: a keyboard that needs time says how long, and the caller
// comes back later.
class ClavierVirtuel {
public:
    virtual ~ClavierVirtuel() = default;

    // Presses a key; false when this keyboard has no way to type it (a named key its
    // layout lacks, a character it cannot make): nothing was pressed, the caller reports it.
    [[nodiscard]] virtual bool Enfonce(const Touche& touche) = 0;
    virtual void Relache(const Touche& touche) = 0;
    virtual bool VerrouActif(Verrou verrou) const = 0;
    // Whether characters beyond ASCII must be typed as Alt + numeric keypad codes (true
    // where the platform types only what the keyboard layout holds).
    virtual bool CodesAlt() const { return false; }
    // Called before a key string is typed, with the characters it types (in order, each as
    // often as it comes).
    virtual void DebutFrappe(std::u32string_view /*caracteres*/) {}
    // Milliseconds to wait before pressing this key can do no harm to what was typed
    // before (0: now).
    virtual int DelaiAvant(const Touche&) { return 0; }
    // Hands the key events made so far to the system (the end of a batch).
    virtual void Envoie() {}
    // A pause of the key string, played without waiting (a recorder notes it).
    virtual void NotePause(int) {}
    // Milliseconds after the last key event before Restaure() can do no harm to it.
    virtual int DelaiRestauration() const { return 0; }
    // Puts back whatever typing changed in the keyboard's setup.
    virtual void Restaure() {}

    // The keys among `touches` this keyboard cannot type as things stand, each once, in
    // order. A key string is checked before its first key: one that cannot be typed whole
    // is not begun.
    virtual std::vector<Touche> Intapables(std::span<const Touche> /*touches*/) const { return {}; }
    // The layout that bounds what this keyboard types ("fr"); empty when it types any
    // character.
    virtual std::string Disposition() const { return {}; }
    // How it types, as the diagnosis names it ("XTest (X11)").
    virtual std::string Nom() const { return {}; }
};

// The keys among `touches` for which `manque` is true, each once, in order: what a keyboard's
// Intapables() returns.
template <typename Manque>
std::vector<Touche> ToucheManquantes(std::span<const Touche> touches, Manque manque) {
    std::vector<Touche> manquantes;
    for (const Touche& t : touches) {
        if (manque(t) && std::find(manquantes.begin(), manquantes.end(), t) == manquantes.end()) {
            manquantes.push_back(t);
        }
    }
    return manquantes;
}

} // namespace kovra
