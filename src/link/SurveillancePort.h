#pragma once

#include "base/Minuterie.h"
#include "dialogues/Dialogues.h"
#include "link/MSComm.h"

namespace kovra {

// Watches the port for its device going away (a USB adapter pulled, the other end of a
// line closed, a network link lost or never made): the user is told once, with the cause,
// the port is closed, and it is opened again as soon as the device is back: a local
// device is looked for every second, a network one after a growing delay (1 s, 2 s, 4 s…
// up to 30 s), so that a server away for long is not called on without end. Nothing spins
// or waits on the event loop meanwhile.
class SurveillancePort {
public:
    SurveillancePort(MSComm& port, Dialogues& dialogues, Minuterie& minuterie);
    ~SurveillancePort();
    SurveillancePort(const SurveillancePort&) = delete;
    SurveillancePort& operator=(const SurveillancePort&) = delete;

    // One event of the port (the program's dispatcher calls it).
    void SurEvenement();
    bool Perdu() const { return perdu_; }
    // Why the port is lost, in French ("le serveur a fermé la connexion"...).
    QString Raison() const { return DecritPerte(port_.DernierePerte()); }
    // The user closed or reopened the port: a device that was lost is no longer waited for.
    void Oublie();
    // The program opened the port again by itself and could not (`erreur` says why, naming
    // the port): the user is told once, and it is tried again as a lost one.
    void Attend(const QString& erreur);

private:
    void Essaie();
    void Reessaie();
    void Retrouve();

    MSComm& port_;
    Dialogues& dialogues_;
    MinuterieLiee minuterie_;
    QMetaObject::Connection ouverture_;
    bool perdu_ = false;
    bool essaiPrevu_ = false;
    int delai_ = 0; // before the next attempt
};

} // namespace kovra
