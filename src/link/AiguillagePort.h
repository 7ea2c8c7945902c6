#pragma once

#include "link/EtatLiaison.h"
#include "link/MSComm.h"

#include <QObject>

namespace kovra {

class Acquisition;
class Reception;
class SurveillancePort;

// The one receiver of the port's events. Each event goes first to the collector of the
// terminal type in use (reception for HT630 and PT630, the acquisition for Optimus and
// ScanPal), which sees data, faults and the loss of the device alike; then a loss of the
// device goes to the port watch. The order is fixed here, whatever was created first.
class AiguillagePort : public QObject {
public:
    AiguillagePort(MSComm& port, const EtatLiaison& etat, Reception* reception,
                   Acquisition* acquisition, SurveillancePort* surveillance);

private:
    void SurEvenement();

    MSComm& port_;
    const EtatLiaison& etat_;
    Reception* reception_;
    Acquisition* acquisition_;
    SurveillancePort* surveillance_;
};

} // namespace kovra
