#pragma once

#include "keyboard/ClavierVirtuel.h"

#include <functional>
#include <string_view>
#include <vector>

namespace kovra {

// One step of typing: a key pressed or released, or a pause.
struct EvenementFrappe {
    enum class Genre { Enfonce, Relache, Pause };
    Genre genre = Genre::Enfonce;
    Touche touche;
    int millisecondes = 0; // for a pause
};

using PlanFrappe = std::vector<EvenementFrappe>;

// What typing a key string came to.
struct BilanFrappe {
    // The keys the keyboard had no way to type, in order, each once.
    std::vector<Touche> nonTapees;
};

// Adds a key to those that could not be typed, unless it is there already.
void NoteNonTapee(BilanFrappe& bilan, const Touche& touche);

// The key events of a key string, in order (see EnvoiTouches for the syntax). The locks'
// states at entry and whether characters go as Alt codes are asked of the keyboard now,
// so the plan is made right before it is played.
PlanFrappe PlanifieTouches(std::u32string_view texte, int attente, const ClavierVirtuel& clavier);

// Puts a pause of `millisecondes` between each keystroke of a plan and the next: after
// every release that leaves no key of the plan held, when a key is pressed after it. Keys
// typed together (Shift+A, an Alt code) stay one keystroke; a pause already there lasts at
// least that long. Nothing changes for 0 or less.
void EspaceTouches(PlanFrappe& plan, int millisecondes);

// The characters a plan types, in order.
std::u32string CaracteresDuPlan(const PlanFrappe& plan);

// The keys a plan presses that the keyboard cannot type as things stand, each once, in
// order (see ClavierVirtuel::Intapables).
std::vector<Touche> IntapablesDuPlan(const PlanFrappe& plan, const ClavierVirtuel& clavier);

// Plays a plan at once, without its pauses or any delay the keyboard asks for (the
// keyboard is told of each pause): for recorders and dry runs.
BilanFrappe JoueImmediatement(const PlanFrappe& plan, ClavierVirtuel& clavier);

} // namespace kovra
