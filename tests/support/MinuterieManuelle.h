#pragma once

#include "Minuterie.h"

#include <QList>
#include <deque>
#include <functional>

namespace kovra::test {

// Time that moves only when the test says so.
struct MinuterieManuelle : Minuterie {
    std::deque<std::pair<int, std::function<void()>>> enAttente;
    QList<int> delais;

    void Apres(int ms, std::function<void()> suite) override {
        delais << ms;
        enAttente.emplace_back(ms, std::move(suite));
    }
    // Lets the first pending delay run out.
    bool Avance() {
        if (enAttente.empty()) {
            return false;
        }
        auto suite = std::move(enAttente.front().second);
        enAttente.pop_front();
        suite();
        return true;
    }
    void Termine() {
        while (Avance()) {
        }
    }
};

} // namespace kovra::test
