#pragma once

#include "base/Minuterie.h"

#include <QList>
#include <algorithm>
#include <functional>
#include <map>
#include <utility>

namespace kovra::test {

// Time that moves only when the test says so. Continuations run in the order their delays
// run out, those due at the same moment in the order they were asked for: a test of ordering
// sees what real time would do.
struct MinuterieManuelle : Minuterie {
    // Due time (milliseconds from the start) and order of asking, to the continuation.
    std::map<std::pair<long long, long long>, std::function<void()>> enAttente;
    QList<int> delais;

    void Apres(int ms, std::function<void()> suite) override {
        delais << ms;
        enAttente.emplace(std::pair(maintenant + std::max(ms, 0), numero++), std::move(suite));
    }
    // Runs what is due now (the turns of the event loop), then lets time run to the next
    // pending continuation and runs it.
    bool Avance() {
        Tours();
        return AvanceUne();
    }
    // Runs what is due now, as long as some is.
    void Tours() {
        while (!enAttente.empty() && enAttente.begin()->first.first <= maintenant) {
            AvanceUne();
        }
    }
    // Moves time on by `ms`, running what falls due meanwhile.
    void AvanceDe(int ms) {
        const long long fin = maintenant + ms;
        while (!enAttente.empty() && enAttente.begin()->first.first <= fin) {
            AvanceUne();
        }
        maintenant = fin;
    }
    // The delays asked for, without the turns of the event loop.
    QList<int> Delais() const {
        QList<int> d;
        for (const int ms : delais) {
            if (ms != 0) {
                d << ms;
            }
        }
        return d;
    }
    // Lets time run to the first continuation due and runs it; false when none is pending.
    bool AvanceUne() {
        if (enAttente.empty()) {
            return false;
        }
        const auto premier = enAttente.begin();
        maintenant = std::max(maintenant, premier->first.first);
        auto suite = std::move(premier->second);
        enAttente.erase(premier);
        suite();
        return true;
    }
    void Termine() {
        while (AvanceUne()) {
        }
    }

    long long maintenant = 0;

private:
    long long numero = 0;
};

} // namespace kovra::test
