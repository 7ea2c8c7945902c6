#pragma once

#include "keyboard/ClavierVirtuel.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace kovra {

// Typing into the X11 session through XTest. Each character is looked up in the live
// keymap (current group) for a key and the modifiers its level needs (Shift, AltGr), so
// every layout types the right characters; the keymap is read again at the start of each
// key string, so a change of layout or group is followed. A character the keymap lacks is
// typed on a spare key (one without symbols) bound to it. Bindings stay while the object
// lives, so that an application slow to read its keystrokes still finds the character;
// Restaure() (the owner calls it once typing has been idle a while) and the destructor put
// the keymap back, touching only keys that still hold this object's binding. Lock states
// come from the XKB indicators.
class ClavierX11 : public ClavierVirtuel {
public:
    class ErreurAffichage : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Opens the display named (nullptr: $DISPLAY); throws ErreurAffichage when it cannot.
    explicit ClavierX11(const char* affichage = nullptr);
    ~ClavierX11() override;
    ClavierX11(const ClavierX11&) = delete;
    ClavierX11& operator=(const ClavierX11&) = delete;

    bool Enfonce(const Touche& touche) override;
    void Relache(const Touche& touche) override;
    bool VerrouActif(Verrou verrou) const override;
    void Envoie() override;
    void DebutFrappe() override;
    void Restaure() override;

    // How waits are made; by default the calling thread sleeps.
    void DefinitAttente(std::function<void(int)> attente) { attente_ = std::move(attente); }
    // Sends what is queued and waits until the server has handled it.
    void Synchronise();

private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
    std::function<void(int)> attente_;
};

} // namespace kovra
