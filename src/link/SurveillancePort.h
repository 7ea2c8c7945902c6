#pragma once

#include "Dialogues.h"
#include "MSComm.h"
#include "Minuterie.h"

#include <QObject>

namespace kovra {

// Watches the port for its device going away (a USB adapter pulled, the other end of a
// line closed): the user is told once, the port is closed, and it is opened again as
// soon as the device is back, checked every second. Nothing spins meanwhile.
class SurveillancePort : public QObject {
public:
    SurveillancePort(MSComm& port, Dialogues& dialogues, Minuterie& minuterie);

    bool Perdu() const { return perdu_; }

private:
    void SurEvenement();
    void Essaie();

    MSComm& port_;
    Dialogues& dialogues_;
    Minuterie& minuterie_;
    bool perdu_ = false;
};

} // namespace kovra
