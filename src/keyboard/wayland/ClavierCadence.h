#pragma once

#include "keyboard/ClavierVirtuel.h"
#include "keyboard/wayland/Cadence.h"

#include <algorithm>
#include <vector>

namespace kovra {

// What the Wayland desktops' keyboards share: keys go in paced batches (see Cadence), and a
// key's press never goes out without its release. The press and release of a character
// leave together, so that no pause of the event loop between them (a busy window, the
// program's own menu) leaves a key held long enough for the receiving window to repeat it.
class ClavierCadence : public ClavierVirtuel {
public:
    bool Enfonce(const Touche& touche) final {
        if (!Presse(touche)) {
            return false;
        }
        if (touche.genre != Touche::Genre::Modificateur) {
            tenues_.push_back(touche);
        }
        // A key on a long line weighs more: a GTK window sends the desktop the whole line
        // around the cursor after each key, and a desktop that falls behind reading it
        // makes GTK lose its connection (seen with lines of 2 000 characters).
        if (touche.code == kCodeEntree ||
            (touche.genre == Touche::Genre::Caractere &&
             (touche.caractere == U'\n' || touche.caractere == U'\r'))) {
            ligne_ = 0;
        } else if (touche.genre == Touche::Genre::Caractere) {
            ++ligne_;
            Compte(static_cast<int>(
                ligne_ / static_cast<std::size_t>(cadence_.Reglages().caracteresParPoids)));
        }
        return true;
    }
    void Relache(const Touche& touche) final {
        Lache(touche);
        if (const auto it = std::find(tenues_.begin(), tenues_.end(), touche);
            it != tenues_.end()) {
            tenues_.erase(it);
        }
    }
    int DelaiAvant(const Touche&) override { return cadence_.Delai(Synchronise()); }
    void Envoie() final {
        if (tenues_.empty()) {
            Expedie();
            cadence_.Envoye();
        }
    }

    // How long the keyboard waits, when it goes, for the desktop to take its last keys.
    static constexpr std::chrono::milliseconds kAttenteFin{1000};

protected:
    explicit ClavierCadence(std::chrono::milliseconds miseEnPlace, Cadence::Reglage reglage = {})
        : cadence_(miseEnPlace, reglage) {}

    // Queues the events of a key press (counting each with Compte()); false when the key
    // cannot be typed.
    virtual bool Presse(const Touche& touche) = 0;
    virtual void Lache(const Touche& touche) = 0;
    // Sends what is queued and asks for the desktop's round trip after it.
    virtual void Expedie() = 0;
    // Whether that round trip came back.
    virtual bool Synchronise() = 0;

    void Compte(int evenements) {
        for (int i = 0; i < evenements; ++i) {
            cadence_.Evenement();
        }
    }
    Cadence& Rythme() { return cadence_; }

private:
    Cadence cadence_;
    std::vector<Touche> tenues_; // keys other than modifiers pressed and not released
    std::size_t ligne_ = 0;      // characters typed since the last line end
};

} // namespace kovra
