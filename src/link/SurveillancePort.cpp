#include "link/SurveillancePort.h"
#include "dialogues/Dialogues.h"

#include <algorithm>

namespace kovra {

namespace {

constexpr int kIntervalle = 1000;
constexpr int kIntervalleMaxReseau = 30000;

} // namespace

SurveillancePort::SurveillancePort(MSComm& port, Dialogues& dialogues, Minuterie& minuterie)
    : port_(port), dialogues_(dialogues), minuterie_(minuterie) {
    // A network link is made after the opening: it is back once the port says it is open.
    ouverture_ = QObject::connect(&port_, &MSComm::EtatChange, &port_, [this] {
        if (perdu_ && port_.PortOpen()) {
            Retrouve();
        }
    });
}

SurveillancePort::~SurveillancePort() {
    QObject::disconnect(ouverture_);
}

void SurveillancePort::SurEvenement() {
    if (port_.CommEvent() != kComEventDevice) {
        return;
    }
    if (perdu_) {
        port_.SetPortOpen(false);
        Reessaie(); // an attempt to connect again failed
        return;
    }
    perdu_ = true;
    port_.SetPortOpen(false);
    delai_ = kIntervalle;
    dialogues_.Avis(QStringLiteral("Le port %1 ne répond plus (%2). Il sera rouvert dès qu'il "
                                   "sera de retour.")
                        .arg(port_.NomPeripherique(), Raison()),
                    Icone::Exclamation);
    Reessaie();
}

void SurveillancePort::Attend(const QString& erreur) {
    if (perdu_) {
        return;
    }
    perdu_ = true;
    delai_ = kIntervalle;
    QString phrase = erreur.trimmed();
    if (!phrase.endsWith(u'.')) {
        phrase += u'.';
    }
    dialogues_.Avis(phrase + QStringLiteral(" Il sera rouvert dès qu'il sera de retour."),
                    Icone::Exclamation);
    Reessaie();
}

void SurveillancePort::Oublie() {
    perdu_ = false;
    essaiPrevu_ = false;
    minuterie_.Annule();
}

void SurveillancePort::Reessaie() {
    if (essaiPrevu_) {
        return;
    }
    essaiPrevu_ = true;
    minuterie_.Apres(delai_, [this] { Essaie(); });
    if (port_.Reseau()) {
        delai_ = std::min(delai_ * 2, kIntervalleMaxReseau);
    }
}

void SurveillancePort::Essaie() {
    essaiPrevu_ = false;
    try {
        port_.SetPortOpen(true);
    } catch (const MSComm::ErreurPort&) {
        Reessaie();
        return;
    }
    if (port_.PortOpen() && perdu_) {
        Retrouve();
    }
    // Otherwise a network link is being made: its success or its failure comes as an event.
}

void SurveillancePort::Retrouve() {
    perdu_ = false;
    dialogues_.Avis(
        QStringLiteral("Le port %1 est de nouveau ouvert.").arg(port_.NomPeripherique()),
        Icone::Information);
}

} // namespace kovra
