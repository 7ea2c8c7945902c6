#pragma once

#include <functional>
#include <memory>

namespace kovra {

// Runs a continuation after a delay, on the event loop: the way every pause of Kovra is
// made, so that windows stay responsive and tests can control time.
class Minuterie {
public:
    virtual ~Minuterie() = default;
    virtual void Apres(int millisecondes, std::function<void()> suite) = 0;
};

// The continuations one object schedules on a shared Minuterie, tied to that object's
// life: once it is destroyed (or Annule() is called) the ones still pending run nothing.
// Every object that schedules work on itself holds one, so no timer outlives its owner.
class MinuterieLiee {
public:
    explicit MinuterieLiee(Minuterie& source) : source_(source) {}
    MinuterieLiee(const MinuterieLiee&) = delete;
    MinuterieLiee& operator=(const MinuterieLiee&) = delete;

    void Apres(int millisecondes, std::function<void()> suite) {
        source_.Apres(millisecondes,
                      [vivant = std::weak_ptr<char>(jeton_), suite = std::move(suite)] {
                          if (!vivant.expired()) {
                              suite();
                          }
                      });
    }
    // Forgets every pending continuation.
    void Annule() { jeton_ = std::make_shared<char>(); }

private:
    Minuterie& source_;
    std::shared_ptr<char> jeton_ = std::make_shared<char>();
};

} // namespace kovra
