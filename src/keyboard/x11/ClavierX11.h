#pragma once

#include "ClavierVirtuel.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace kovra {

// Typing into the X11 session through XTest. Each character is looked up in the live
// keymap (current group) for a key and the modifiers its level needs (Shift, AltGr), so
// every layout types the right characters. A character the keymap lacks is typed on a
// spare key (one without symbols) bound to it; the bindings last until the key string is
// typed, then the keymap is put back (also when the object goes away on an error). Lock
// states come from the XKB indicators.
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

    void Enfonce(const Touche& touche) override;
    void Relache(const Touche& touche) override;
    bool VerrouActif(Verrou verrou) const override;
    void Patiente(int millisecondes) override;
    void FinFrappe() override;

    // How waits are made; by default the calling thread sleeps.
    void DefinitAttente(std::function<void(int)> attente) { attente_ = std::move(attente); }
    // Reads the keymap again (after a change of layout).
    void Rafraichit();
    // Sends what is queued and waits until the server has handled it.
    void Synchronise();

private:
    struct Etat;
    std::unique_ptr<Etat> etat_;
    std::function<void(int)> attente_;
};

} // namespace kovra
