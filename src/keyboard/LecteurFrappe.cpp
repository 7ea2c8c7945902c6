#include "keyboard/LecteurFrappe.h"

#include <algorithm>

namespace kovra {

namespace {

// Events between two looks at the clock.
constexpr std::size_t kEvenementsParMesure = 16;
// Most events in one batch, however fast the keyboard takes them: the application that
// receives them (perhaps in this very process) handles each key in turn, and a batch
// must not leave it more than a few tens of milliseconds of work before the loop comes
// round again.
constexpr std::size_t kEvenementsParTranche = 384;

} // namespace

LecteurFrappe::LecteurFrappe(ClavierVirtuel& clavier, Minuterie& minuterie,
                             std::function<bool()> retenu)
    : retenu_(std::move(retenu)), clavier_(clavier), minuterie_(minuterie) {}

LecteurFrappe::~LecteurFrappe() {
    RelacheTout();
}

bool LecteurFrappe::Joue(PlanFrappe plan, std::function<void(BilanFrappe)> fin) {
    if (enCours_) {
        return false;
    }
    plan_ = std::move(plan);
    suivant_ = 0;
    bilan_ = {};
    fin_ = std::move(fin);
    enCours_ = true;
    clavier_.DebutFrappe(CaracteresDuPlan(plan_));
    minuterie_.Apres(0, [this] { Tranche(); });
    return true;
}

void LecteurFrappe::Arrete() {
    minuterie_.Annule();
    if (enAttente_) {
        enfoncees_.clear(); // already let go
        enAttente_ = false;
    }
    RelacheTout();
    enCours_ = false;
    plan_.clear();
    fin_ = nullptr;
}

void LecteurFrappe::RelacheTout() {
    for (auto t = enfoncees_.rbegin(); t != enfoncees_.rend(); ++t) {
        clavier_.Relache(*t);
    }
    if (!enfoncees_.empty()) {
        clavier_.Envoie();
        enfoncees_.clear();
    }
}

bool LecteurFrappe::Attend() {
    if (retenu_ && retenu_()) {
        if (!enAttente_) {
            enAttente_ = true;
            // Keys held down now would act on the program's window.
            for (auto t = enfoncees_.rbegin(); t != enfoncees_.rend(); ++t) {
                clavier_.Relache(*t);
            }
            clavier_.Envoie();
        }
        libere_ = false;
        minuterie_.Apres(kAttenteRetenu, [this] { Tranche(); });
        return true;
    }
    if (!enAttente_) {
        return false;
    }
    if (!libere_) {
        // Free again: one more delay before going on.
        libere_ = true;
        minuterie_.Apres(kAttenteRetenu, [this] { Tranche(); });
        return true;
    }
    enAttente_ = false;
    libere_ = false;
    // The modifiers held for what follows are pressed again; a key let go in the middle of
    // its stroke has been typed already, and pressing it again would type it twice.
    std::erase_if(enfoncees_,
                  [](const Touche& t) { return t.genre != Touche::Genre::Modificateur; });
    // One the keyboard no longer presses is said not typed and not released later.
    std::erase_if(enfoncees_, [this](const Touche& t) {
        if (clavier_.Enfonce(t)) {
            return false;
        }
        NoteNonTapee(bilan_, t);
        return true;
    });
    return false;
}

void LecteurFrappe::Tranche() {
    using Horloge = std::chrono::steady_clock;
    if (Attend()) {
        return;
    }
    const Horloge::time_point debut = Horloge::now();
    std::size_t joues = 0;
    const auto envoie = [this] {
        clavier_.Envoie();
        derniereTouche_ = Horloge::now();
    };
    while (suivant_ < plan_.size()) {
        const EvenementFrappe& e = plan_[suivant_];
        if (e.genre == EvenementFrappe::Genre::Pause) {
            envoie();
            ++suivant_;
            minuterie_.Apres(e.millisecondes, [this] { Tranche(); });
            return;
        }
        if (e.genre == EvenementFrappe::Genre::Enfonce) {
            if (const int delai = clavier_.DelaiAvant(e.touche); delai > 0) {
                envoie();
                minuterie_.Apres(delai, [this] { Tranche(); });
                return;
            }
            if (clavier_.Enfonce(e.touche)) {
                enfoncees_.push_back(e.touche);
            } else {
                NoteNonTapee(bilan_, e.touche);
            }
        } else {
            const auto it = std::find(enfoncees_.begin(), enfoncees_.end(), e.touche);
            if (it != enfoncees_.end()) {
                clavier_.Relache(e.touche);
                enfoncees_.erase(it);
            }
        }
        ++suivant_;
        ++joues;
        if (joues >= kEvenementsParTranche ||
            (joues % kEvenementsParMesure == 0 && Horloge::now() - debut >= kTranche)) {
            envoie();
            minuterie_.Apres(0, [this] { Tranche(); });
            return;
        }
    }
    envoie();
    enCours_ = false;
    plan_.clear();
    auto fin = std::move(fin_);
    fin_ = nullptr;
    if (fin) {
        fin(std::move(bilan_));
    }
}

} // namespace kovra
