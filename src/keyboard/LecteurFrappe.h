#pragma once

#include "base/Minuterie.h"
#include "keyboard/PlanFrappe.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

namespace kovra {

// Plays a plan of key events on a keyboard without ever holding the event loop: events go
// in batches of a few milliseconds and a few hundred events at most, one batch per turn of
// the loop, and the plan's pauses and the delays the keyboard asks for are timers. Destroying the
// player, or Arrete(), stops the plan where it stands and releases the keys it holds down.
class LecteurFrappe {
public:
    LecteurFrappe(ClavierVirtuel& clavier, Minuterie& minuterie);
    ~LecteurFrappe();
    LecteurFrappe(const LecteurFrappe&) = delete;
    LecteurFrappe& operator=(const LecteurFrappe&) = delete;

    // Starts playing; `fin` is called once the last event is played. A plan handed over
    // while another plays is refused (false).
    bool Joue(PlanFrappe plan, std::function<void(BilanFrappe)> fin);
    bool EnCours() const { return enCours_; }
    void Arrete();

    // When the last key event went to the system; nothing before the first.
    std::optional<std::chrono::steady_clock::time_point> DerniereTouche() const {
        return derniereTouche_;
    }

    // Longest time one batch may hold the event loop.
    static constexpr std::chrono::milliseconds kTranche{5};

private:
    void Tranche();
    void RelacheTout();

    ClavierVirtuel& clavier_;
    MinuterieLiee minuterie_;
    PlanFrappe plan_;
    std::size_t suivant_ = 0;
    BilanFrappe bilan_;
    std::function<void(BilanFrappe)> fin_;
    bool enCours_ = false;
    std::vector<Touche> enfoncees_; // pressed and not yet released, in order
    std::optional<std::chrono::steady_clock::time_point> derniereTouche_;
};

} // namespace kovra
