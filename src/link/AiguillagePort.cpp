#include "link/AiguillagePort.h"

#include "link/Acquisition.h"
#include "link/Reception.h"
#include "link/SurveillancePort.h"

namespace kovra {

AiguillagePort::AiguillagePort(MSComm& port, const EtatLiaison& etat, Reception* reception,
                               Acquisition* acquisition, SurveillancePort* surveillance)
    : port_(port), etat_(etat), reception_(reception), acquisition_(acquisition),
      surveillance_(surveillance) {
    connect(&port_, &MSComm::OnComm, this, &AiguillagePort::SurEvenement);
}

void AiguillagePort::SurEvenement() {
    if (ParAcquisition(etat_.TypeTerminal)) {
        if (acquisition_ != nullptr) {
            acquisition_->SurEvenement();
        }
    } else if (reception_ != nullptr) {
        reception_->SurEvenement();
    }
    if (port_.CommEvent() == kComEventDevice && surveillance_ != nullptr) {
        surveillance_->SurEvenement();
    }
}

} // namespace kovra
