#pragma once

#include <csignal>
#include <functional>
#include <initializer_list>
#include <memory>

namespace kovra {

// Signals that ask a command to stop (interrupt, terminate, hang-up), turned into events
// the command handles itself, at a point where its work is in order. While the object
// lives, the signals given are held back: the event loop is told of them (Surveille), or
// the work asks between two of its steps (Recu). When the object goes, a signal that comes
// again after the first one acts as it would have. Where the system cannot hold signals
// back, none is ever reported and they act as they always do.
class SignauxArret {
public:
    explicit SignauxArret(std::initializer_list<int> signaux);
    ~SignauxArret();
    SignauxArret(const SignauxArret&) = delete;
    SignauxArret& operator=(const SignauxArret&) = delete;

    // `arret` is called on the event loop with each signal that comes.
    void Surveille(std::function<void(int)> arret);
    // The first signal that came, 0 while none has; never waits.
    int Recu();

    // The exit status of a command a signal stopped: 128 + the signal's number, as a shell
    // reports a program the signal ended (130 for an interrupt, 143 for terminate).
    static int StatutSortie(int signal) { return 128 + signal; }

private:
    struct Etat;
    std::unique_ptr<Etat> e_;
};

} // namespace kovra
