#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace kovra::test {

// Lets the event loop run until the condition holds or the time is up; whether it holds.
// The time is generous: a condition that holds returns at once, and a loaded machine
// running the sanitizer build must not make a slow step look like a fault.
inline bool AttendQue(const std::function<bool()>& condition, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return condition();
}

// Lets the event loop turn `tours` times: a chain of zero-delay timers, each queued behind
// whatever was already due, so everything pending when it starts (posted events, ready
// devices, zero-delay continuations and those they queue, `tours` deep) has run by its end.
// What a negative check waits for: the proof that nothing more was coming, not a time.
inline void TourneBoucle(int tours) {
    QEventLoop boucle;
    int restants = tours;
    std::function<void()> tour = [&] {
        if (--restants <= 0) {
            boucle.quit();
            return;
        }
        QTimer::singleShot(0, &boucle, tour);
    };
    QTimer::singleShot(0, &boucle, tour);
    boucle.exec();
}

// Turns the event loop one turn at a time until the condition holds, at most `toursMax`
// turns; whether it holds.
inline bool TourneJusqua(const std::function<bool()>& condition, int toursMax = 10000) {
    for (int i = 0; i < toursMax && !condition(); ++i) {
        TourneBoucle(1);
    }
    return condition();
}

} // namespace kovra::test
