#pragma once

#include "base/Minuterie.h"

#include <algorithm>

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
    // Lets the first pending delay run out, after the turns of the event loop (delays of 0)
    // scheduled before it.
    bool Avance() {
        Tours();
        return AvanceUne();
    }
    // Runs what waits for the next turn of the event loop, as long as some does.
    void Tours() {
        while (!enAttente.empty() && enAttente.front().first == 0) {
            AvanceUne();
        }
    }
    // The delays asked for, without the turns of the event loop.
    QList<int> Delais() const {
        QList<int> d;
        std::copy_if(delais.begin(), delais.end(), std::back_inserter(d),
                     [](int ms) { return ms != 0; });
        return d;
    }
    bool AvanceUne() {
        if (enAttente.empty()) {
            return false;
        }
        auto suite = std::move(enAttente.front().second);
        enAttente.pop_front();
        suite();
        return true;
    }
    void Termine() {
        while (AvanceUne()) {
        }
    }
};

} // namespace kovra::test
