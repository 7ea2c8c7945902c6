#include "keyboard/PlanFrappe.h"

#include <algorithm>

namespace kovra {

void EspaceTouches(PlanFrappe& plan, int millisecondes) {
    if (millisecondes <= 0) {
        return;
    }
    using Genre = EvenementFrappe::Genre;
    // No pause after the last keystroke: it would only hold up what comes next.
    const auto dernier = std::find_if(plan.rbegin(), plan.rend(), [](const EvenementFrappe& e) {
        return e.genre == Genre::Enfonce;
    });
    const std::size_t dernierEnfonce =
        dernier == plan.rend() ? 0 : static_cast<std::size_t>(plan.rend() - dernier) - 1;
    PlanFrappe espace;
    espace.reserve(plan.size() * 3 / 2);
    std::vector<Touche> enfoncees; // pressed and not yet released
    for (std::size_t i = 0; i < plan.size(); ++i) {
        EvenementFrappe& e = plan[i];
        if (e.genre == Genre::Enfonce) {
            enfoncees.push_back(e.touche);
        } else if (e.genre == Genre::Relache) {
            const auto it = std::find(enfoncees.begin(), enfoncees.end(), e.touche);
            if (it != enfoncees.end()) {
                enfoncees.erase(it);
            }
        }
        const bool finFrappe = e.genre == Genre::Relache && enfoncees.empty();
        espace.push_back(std::move(e));
        // A release that follows (of a key the plan never pressed) belongs to this
        // keystroke: the pause goes after it.
        if (!finFrappe || i >= dernierEnfonce || plan[i + 1].genre == Genre::Relache) {
            continue;
        }
        if (plan[i + 1].genre == Genre::Pause) {
            plan[i + 1].millisecondes = std::max(plan[i + 1].millisecondes, millisecondes);
        } else {
            espace.push_back({Genre::Pause, {}, millisecondes});
        }
    }
    plan = std::move(espace);
}

} // namespace kovra
