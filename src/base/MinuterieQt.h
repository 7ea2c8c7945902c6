#pragma once

#include "base/Minuterie.h"

#include <QObject>
#include <QTimer>
#include <algorithm>

namespace kovra {

// Real time: each continuation is a single-shot timer of the event loop.
class MinuterieQt : public Minuterie {
public:
    void Apres(int millisecondes, std::function<void()> suite) override {
        QTimer::singleShot(std::max(millisecondes, 0), &contexte_, std::move(suite));
    }

private:
    QObject contexte_; // pending continuations die with the object
};

} // namespace kovra
