#pragma once

#include "ClavierVirtuel.h"
#include "Environnement.h"
#include "EtatTraitement.h"
#include "Minuterie.h"
#include "Progression.h"
#include "ScenarioActif.h"
#include "TableTouches.h"

#include <QString>
#include <deque>
#include <functional>

namespace kovra {

// Number of occurrences of a separator in a text; each search starts one character after
// the start of the previous match.
int CompteOccurrences(const QString& texte, const QString& separateur);

// Acts on the lock marks of a segment and removes them: each "{NUMLOCK}" toggles Num Lock,
// each "{CAPSLOCK}" switches Caps Lock off. Returns the segment without them.
QString TraiteMarquesVerrous(QString segment, ClavierVirtuel& clavier);

// Whatever holds the serial port: closes it and opens it again when it is open.
class ReinitialisationPort {
public:
    virtual ~ReinitialisationPort() = default;
    virtual void ReinitialisePort() = 0;
};

// What the pipeline works with, owned by the program.
struct ServicesTraitement {
    const Environnement& env;
    EtatScenario& scenario;
    EtatTraitement& etat;
    const TableTouches& touches;
    ClavierVirtuel& clavier;
    Minuterie& minuterie;
    Progression& progression;
    ReinitialisationPort* port = nullptr; // none while the port is not handled
    QString SepDecimal;
};

// Takes each received frame through processing and delivers it: typed for a keystroke
// scenario, cut at its "{TIMER}" marks with a pause of PauseTimer after each segment, or
// written to the scenario's file; then the port is reset. Every pause is a timer on the
// event loop. A frame handed over while another is processed or typed waits its turn.
class TraiteEmul {
public:
    explicit TraiteEmul(ServicesTraitement services) : s_(std::move(services)) {}

    // `conserve` names a file that holds the frame (a spool file): it is deleted once the
    // frame is delivered, and kept, with a message naming it, when it could not be.
    void Traite(const QString& trameRecue, const QString& conserve = QString());
    bool Occupe() const { return occupe_; }
    // Called each time a frame has been dealt with: whether it was delivered (false when
    // its file could not be written; the user was told).
    std::function<void(bool livre)> termine;

private:
    struct Livraison {
        QString sortie;
        bool fichier;
        bool numerote;
        QString chemin;
    };

    void Suivante();
    void Livre(const Livraison& livraison);
    void TapeSegment(QStringList segments, int i, bool avecPauses);
    void Fin(bool livre);

    ServicesTraitement s_;
    struct Trame {
        QString texte;
        QString conserve;
    };
    std::deque<Trame> enAttente_;
    QString conserveEnCours_;
    bool occupe_ = false;
    quint64 frappes_ = 0; // frames typed so far
};

} // namespace kovra
