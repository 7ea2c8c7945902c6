#pragma once

#include "base/ErreurKovra.h"

#include "keyboard/ClavierVirtuel.h"
#include "keyboard/TouchesLibres.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace kovra {

// Typing into the X11 session through XTest. Each character is looked up in the live
// keymap (current group) for a key and the modifiers its level needs (Shift, AltGr), so
// every layout types the right characters; the keymap is read again at the start of each
// key string, so a change of layout or group is followed.
//
// A character the keymap lacks is typed on a spare key: a keycode the keymap leaves
// without symbols, given a four-level type so that it holds up to four such characters
// (plain, Shift, AltGr, Shift+AltGr, as far as the keymap lets them be reached). An
// application reads the keymap when it gets round to the change, which may be long after
// the key was typed; so a binding is never changed while an application may still have to
// read a key typed with it:
// - bindings stay after typing, also once this object is gone (the next Kovra reuses
//   them); only Restaure() removes them, which the owner calls when it quits, at least
//   DelaiRestauration() after the last key;
// - the characters a key string needs are bound before its first key, so that the keymap
//   changes reach applications ahead of every key event of the string (a program that
//   gets a change while it is fetching an earlier one may lose it for good);
// - which place each character gets, and when a place may go to another character, is
//   TouchesLibres's choice: when every spare place is taken, the character typed longest
//   ago gives its place up, but only once kSurete has passed since it was last typed;
//   until then DelaiAvant() says how long to wait.
// Lock states come from the XKB indicators.
class ClavierX11 : public ClavierVirtuel {
public:
    // No X display to type on, or one without XTest.
    class ErreurAffichage : public ErreurKovra {
    public:
        using ErreurKovra::ErreurKovra;
    };

    // Time after the last use of a spare place before it may be bound to something else,
    // and after the last key before the bindings may be removed.
    static constexpr int kSurete = TouchesLibres::kSurete;

    // Opens the display named (nullptr: $DISPLAY); throws ErreurAffichage when it cannot.
    explicit ClavierX11(const char* affichage = nullptr);
    ~ClavierX11() override;
    ClavierX11(const ClavierX11&) = delete;
    ClavierX11& operator=(const ClavierX11&) = delete;

    bool Enfonce(const Touche& touche) override;
    void Relache(const Touche& touche) override;
    bool VerrouActif(Verrou verrou) const override;
    void DebutFrappe(std::u32string_view caracteres) override;
    int DelaiAvant(const Touche& touche) override;
    void Envoie() override;
    int DelaiRestauration() const override { return kSurete; }
    void Restaure() override;
    std::string Nom() const override { return "XTest (X11)"; }

    // Sends what is queued and waits until the server has handled it.
    void Synchronise();

private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
};

} // namespace kovra
