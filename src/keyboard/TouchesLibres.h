#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kovra {

// Where a keyboard types the characters its layout lacks: on spare keys, keycodes the layout
// leaves without symbols, each bound to as many such characters as it has levels. This
// decides which place each character gets and when a place may change hands; the keyboard
// does the rest (reading its keymap, changing the symbols of a key, pressing keys) and tells
// what it finds: the keycodes without symbols, and what each spare key holds.
//
// An application reads a change of the keymap when it gets round to it, which may be long
// after the key was typed, so a place is never given to another character while the one it
// holds may still have to be read:
// - a binding stays until its place is needed; free places go first: a free level of a
//   spare key reached without modifiers, then a free keycode, then the free level that
//   needs the fewest modifiers;
// - when every place is taken, the character typed longest ago gives its place up, but only
//   once kSurete has passed since it was last typed, and never while its key is held down.
class TouchesLibres {
public:
    using Horloge = std::chrono::steady_clock;

    // Milliseconds after a character was last typed before its place may go to another.
    static constexpr int kSurete = 3000;

    // The modifiers typing presses to reach a level of a key: Shift and the level-3 shift
    // (AltGr).
    struct Modificateurs {
        bool shift = false;
        bool niveau3 = false;
        int Poids() const { return (shift ? 1 : 0) + (niveau3 ? 2 : 0); }
        friend bool operator==(const Modificateurs&, const Modificateurs&) = default;
    };

    // A level of a spare key as the keymap holds it.
    struct Niveau {
        std::optional<Modificateurs> acces; // how typing reaches it; nothing when it cannot
        std::uint32_t symbole = 0;          // the keymap's symbol (keysym); 0 for none
        char32_t caractere = 0;             // what that symbol types; 0 for none
    };

    // The spare place of a character.
    struct Place {
        int code = 0;
        int niveau = 0;
        std::optional<Modificateurs> acces;
    };

    // Where a character that has no place can go: a free level of a spare key, a free
    // keycode (`nouvelle`, to be made a spare key, its first level), or the place typed
    // longest ago, which may be taken once `attente` milliseconds have passed.
    struct Choix {
        int code = 0;
        int niveau = 0;
        bool nouvelle = false;
        int attente = 0;
        friend bool operator==(const Choix&, const Choix&) = default;
    };

    // What the keyboard tells.

    // The keycodes the keymap leaves without any symbol; spare keys among them are left out.
    void Libres(std::vector<int> codes);
    // What a key holds now, as a spare key: level by level, from the first. A level whose
    // symbol or character changed counts as typed at `quand`; its old character loses its
    // place, and its new one has it unless it has a place already.
    void Actualise(int code, std::span<const Niveau> niveaux, Horloge::time_point quand);
    // A key that is no longer a spare key: its characters lose their places.
    void Abandonne(int code);
    // Every spare key given up (the keyboard took their symbols away).
    void Vide();
    // A character's key pressed and released: its place is not given up meanwhile.
    void Enfonce(char32_t c) { tenus_.insert(c); }
    void Relache(char32_t c) { tenus_.erase(c); }

    // What the keyboard asks.

    // Whether the character has a place already.
    bool Liee(char32_t c) const { return liees_.contains(c); }
    // The place of a character that has one.
    std::optional<Place> PlaceDe(char32_t c) const;
    // The place of a character about to be typed, which counts as typed now. A character on
    // a level typing cannot reach loses that place (it has to be bound elsewhere): nothing.
    std::optional<Place> Reprend(char32_t c, Horloge::time_point maintenant);
    // Where a character without a place can go; nothing when no place can ever take it
    // (no spare key typing reaches, no free keycode, the rest held down).
    std::optional<Choix> Choisit(Horloge::time_point maintenant) const;
    // Before a key string starts, the characters it needs are bound one after the other;
    // this is the next of them, from `debut` on: the position of the first character that
    // the layout does not type itself (`dansDisposition`) and that has no place. Nothing when
    // none is left, or when no place can take it now (the rest is bound while typing).
    std::optional<std::size_t> ProchaineALier(std::u32string_view caracteres, std::size_t debut,
                                              const std::function<bool(char32_t)>& dansDisposition,
                                              Horloge::time_point maintenant) const;

    // Whether the keycode is a spare key.
    bool Reservee(int code) const { return touches_.contains(code); }
    // The spare keys, in order.
    std::vector<int> Codes() const;
    // The symbols of a spare key's levels; empty for a key that is none.
    std::vector<std::uint32_t> Symboles(int code) const;
    // How typing reaches a level of a spare key; nothing when it cannot, or for no such level.
    std::optional<Modificateurs> Acces(int code, int niveau) const;

private:
    // A level of a spare key, and when its character was last typed (or bound, or found).
    struct Emplacement {
        std::optional<Modificateurs> acces;
        std::uint32_t symbole = 0;
        char32_t caractere = 0;
        Horloge::time_point usage{};
    };

    // Takes the place away from a character, if it is still its place.
    void Oublie(char32_t c, int code, int niveau);

    std::set<int> libres_;
    std::map<int, std::vector<Emplacement>> touches_;
    std::unordered_map<char32_t, std::pair<int, int>> liees_; // the key and level of each
    std::set<char32_t> tenus_;                                // characters held down
};

} // namespace kovra
