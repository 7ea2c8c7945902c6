#pragma once

#include <algorithm>
#include <chrono>

namespace kovra {

// How a desktop is paced (see Cadence).
struct ReglageCadence {
    // Events in a batch.
    int parLot = 32;
    // Time each event of a batch is given before the next batch.
    std::chrono::microseconds pas{250};
    // A key on a long line counts one event more for each this many characters already on
    // the line (see ClavierCadence).
    int caracteresParPoids = 200;
};

// How fast key events go to a Wayland desktop. The compositor hands each key to the window
// through a buffer of 4 KiB per program (about 170 key events); a program that gets more
// than it has read is disconnected by the compositor, so keys go in batches, the next one
// only once the compositor has handled the last (its round trip came back) and the batch
// has had its time (kPas per event). A new keyboard, or a new keymap, also takes effect
// only after a while: the window binds the keyboard, reads the keymap; keys sent before
// are lost, so the first key waits for that.
class Cadence {
public:
    using Horloge = std::chrono::steady_clock;
    using Reglage = ReglageCadence;

    // `miseEnPlace`: how long after now the first key may go.
    explicit Cadence(std::chrono::milliseconds miseEnPlace, Reglage reglage = {})
        : reglage_(reglage), pretA_(Horloge::now() + miseEnPlace) {}

    // No key before `delai` from now (a keymap just changed).
    void Retarde(std::chrono::milliseconds delai) {
        pretA_ = std::max(pretA_, Horloge::now() + delai);
    }
    const Reglage& Reglages() const { return reglage_; }
    // One event queued in the batch.
    void Evenement() { ++enCours_; }
    // The batch went to the compositor (whose round trip was asked for).
    void Envoye() {
        if (enCours_ > 0) {
            suivantA_ = Horloge::now() + enCours_ * reglage_.pas;
            enCours_ = 0;
        }
    }
    // Milliseconds before the next key may be pressed (0: now), the compositor having
    // handled the last batch or not.
    int Delai(bool synchronise) const {
        const Horloge::time_point maintenant = Horloge::now();
        if (enCours_ >= reglage_.parLot) {
            // The batch is full: it goes now, the next after its time.
            return Millisecondes(enCours_ * reglage_.pas);
        }
        const Horloge::time_point a = std::max(pretA_, enCours_ == 0 ? suivantA_ : pretA_);
        if (a > maintenant) {
            return Millisecondes(a - maintenant);
        }
        return synchronise || enCours_ > 0 ? 0 : 1;
    }

private:
    template <typename D> static int Millisecondes(D d) {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(d).count();
        return static_cast<int>(std::max<decltype(ms)>(ms, 1));
    }

    Reglage reglage_;
    Horloge::time_point pretA_;
    Horloge::time_point suivantA_{};
    int enCours_ = 0;
};

} // namespace kovra
