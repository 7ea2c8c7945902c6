#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace kovra {

// Runs a continuation after a delay, on the event loop: the way every pause of Kovra is
// made, so that windows stay responsive and tests can control time.
class Minuterie {
public:
    virtual ~Minuterie() = default;
    virtual void Apres(int millisecondes, std::function<void()> suite) = 0;
};

class MinuterieQt : public Minuterie {
public:
    void Apres(int millisecondes, std::function<void()> suite) override {
        QTimer::singleShot(std::max(millisecondes, 0), &contexte_, std::move(suite));
    }

private:
    QObject contexte_; // pending continuations die with the object
};

} // namespace kovra
