#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

namespace kovra::test {

// Lets the event loop run until the condition holds or the time is up; whether it holds.
inline bool AttendQue(const std::function<bool()>& condition, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return condition();
}

} // namespace kovra::test
