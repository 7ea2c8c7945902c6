#include "link/SurveillancePort.h"
#include "dialogues/Dialogues.h"

namespace kovra {

namespace {

constexpr int kIntervalle = 1000;

} // namespace

SurveillancePort::SurveillancePort(MSComm& port, Dialogues& dialogues, Minuterie& minuterie)
    : port_(port), dialogues_(dialogues), minuterie_(minuterie) {}

void SurveillancePort::SurEvenement() {
    if (perdu_ || port_.CommEvent() != kComEventDevice) {
        return;
    }
    perdu_ = true;
    port_.SetPortOpen(false);
    dialogues_.Avis(QStringLiteral("Le port %1 ne répond plus (terminal ou câble "
                                   "débranché ?). Il sera rouvert dès qu'il sera de retour.")
                        .arg(port_.NomPeripherique()),
                    Icone::Exclamation);
    minuterie_.Apres(kIntervalle, [this] { Essaie(); });
}

void SurveillancePort::Oublie() {
    perdu_ = false;
    minuterie_.Annule();
}

void SurveillancePort::Essaie() {
    try {
        port_.SetPortOpen(true);
    } catch (const MSComm::ErreurPort&) {
        minuterie_.Apres(kIntervalle, [this] { Essaie(); });
        return;
    }
    perdu_ = false;
    dialogues_.Avis(
        QStringLiteral("Le port %1 est de nouveau ouvert.").arg(port_.NomPeripherique()),
        Icone::Information);
}

} // namespace kovra
