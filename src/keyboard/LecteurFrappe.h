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
//
// While `retenu` says that the keyboard is held by a window of the program itself (its menu,
// a message box, its settings), the keys would go there: the player lets go of the keys it
// holds down, waits, and goes on where it stood once the keyboard is back with the others
// (pressing again what it held).
class LecteurFrappe {
public:
    LecteurFrappe(ClavierVirtuel& clavier, Minuterie& minuterie, std::function<bool()> retenu = {});
    ~LecteurFrappe();
    LecteurFrappe(const LecteurFrappe&) = delete;
    LecteurFrappe& operator=(const LecteurFrappe&) = delete;

    // Starts playing; `fin` is called once the last event is played. A plan handed over
    // while another plays is refused (false).
    [[nodiscard]] bool Joue(PlanFrappe plan, std::function<void(BilanFrappe)> fin);
    bool Occupe() const { return enCours_; }
    void Arrete();

    // When the last key event went to the system; nothing before the first.
    std::optional<std::chrono::steady_clock::time_point> DerniereTouche() const {
        return derniereTouche_;
    }

    // Longest time one batch may hold the event loop.
    static constexpr std::chrono::milliseconds kTranche{5};
    // How often a held keyboard is looked at again. Once free, the player waits one more such
    // delay, so that the window that held it has let go on the display's side too.
    static constexpr int kAttenteRetenu = 50;

private:
    void Tranche();
    void RelacheTout();
    // Whether the keyboard is held by the program's own window; if so, the wait is on.
    [[nodiscard]] bool Attend();

    std::function<bool()> retenu_;
    bool enAttente_ = false; // keys let go while the program's window held the keyboard
    bool libere_ = false;    // the keyboard was found free once since

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
