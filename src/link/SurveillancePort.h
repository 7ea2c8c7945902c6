#pragma once

#include "base/Minuterie.h"
#include "dialogues/Dialogues.h"
#include "link/MSComm.h"

namespace kovra {

// Watches the port for its device going away (a USB adapter pulled, the other end of a
// line closed): the user is told once, the port is closed, and it is opened again as
// soon as the device is back, checked every second. Nothing spins meanwhile.
class SurveillancePort {
public:
    SurveillancePort(MSComm& port, Dialogues& dialogues, Minuterie& minuterie);

    // One event of the port (the program's dispatcher calls it).
    void SurEvenement();
    bool Perdu() const { return perdu_; }
    // The user closed or reopened the port: a device that was lost is no longer waited for.
    void Oublie();

private:
    void Essaie();

    MSComm& port_;
    Dialogues& dialogues_;
    MinuterieLiee minuterie_;
    bool perdu_ = false;
};

} // namespace kovra
