#pragma once

#include <string>

namespace kovra {

enum class Verrou { Majuscules, Numerique, Defilement };

// One key as the key-string engine names it: a modifier ("SHIFT", "CONTROL", "ALT"), a
// named key (its name upper-cased as written: "ENTER", "F4", "BS", "NUMPAD1"...), or the
// key that types a character.
struct Touche {
    enum class Genre { Modificateur, Nommee, Caractere };
    Genre genre = Genre::Caractere;
    std::string nom;
    char32_t caractere = 0;

    static Touche Modificateur(std::string n) { return {Genre::Modificateur, std::move(n), 0}; }
    static Touche Nommee(std::string n) { return {Genre::Nommee, std::move(n), 0}; }
    static Touche Caractere(char32_t c) { return {Genre::Caractere, {}, c}; }
};

// What the key-string engine drives: a keyboard that presses and releases keys and tells
// the state of its locks. One implementation per platform, and a recorder for tests and
// dry runs.
class ClavierVirtuel {
public:
    virtual ~ClavierVirtuel() = default;

    virtual void Enfonce(const Touche& touche) = 0;
    virtual void Relache(const Touche& touche) = 0;
    virtual bool VerrouActif(Verrou verrou) const = 0;
    // Whether characters beyond ASCII must be typed as Alt + numeric keypad codes (true
    // where the platform types only what the keyboard layout holds).
    virtual bool CodesAlt() const { return false; }
    // Waits while the rest of the program goes on.
    virtual void Patiente(int millisecondes) = 0;
    // Called before a key string is typed.
    virtual void DebutFrappe() {}
    // Puts back whatever typing changed in the keyboard's setup; called by the owner once
    // typing has been idle for a while.
    virtual void Restaure() {}
};

} // namespace kovra
