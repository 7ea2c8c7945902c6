#pragma once

#include "base/Minuterie.h"
#include "base/Progression.h"
#include "link/EtatLiaison.h"
#include "link/MSComm.h"
#include "storage/Environnement.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>
#include <memory>

namespace kovra {

inline const QString kFinTransfert = QStringLiteral("FINTRANSKOVRA");

// Name of the spool file of a transfer received at that moment: day, month, year, hour,
// minute, second without leading zeros, then ".tmp".
QString NomSpool(const QDateTime& moment);

// Collects the transfers that HT630 and PT630 terminals push, on the port's events:
// - HT630: every 300 ms what arrived is added to the transfer; fewer than 4 characters
//   drops it; the text before "FINTRANSKOVRA" is the frame. What follows the marker
//   (less the blanks and line end that close the marker's line) starts the next transfer,
//   and is kept however short it is.
// - PT630: what arrives is written to a spool file in the data folder as it is read; 500 ms
//   of silence ends the transfer, which is read back 1000 ms later. A transfer that starts
//   meanwhile is collected on its own, in its own file. An empty transfer or "<DEL>" CR LF
//   is dropped, a final byte 255 means "Terminal connecté", a port fault is reported and
//   the data kept in the spool file, whose name the user is given. A transfer that cannot
//   be written to disk is reported once, with the system's reason and what the file holds
//   of it, and read off the line until it falls silent, so that nothing of it is glued to
//   the next one.
// An HT630 collection whose end marker does not come within 10 s of silence, or whose
// device goes away first, is set aside in a file, with a message, rather than glued to the
// next transfer or lost.
// Other terminal types leave the port alone. A complete frame goes to `traiteEmul`, with
// the spool file that holds it (processing deletes it once the frame is delivered).
// The port's events come through SurEvenement (the program's dispatcher calls it, before
// the port watch hears of a lost device).
class Reception {
public:
    Reception(MSComm& port, EtatLiaison& etat, const Environnement& env, Minuterie& minuterie,
              Progression& progression,
              std::function<void(const QString&, const QString&)> traiteEmul);

    // One event of the port.
    void SurEvenement();
    // Whether a transfer is being collected, drained or read back.
    bool Occupe() const { return etat_.EnReception || pt630_ != Pt630::Repos || relectures_ > 0; }
    // The program is ending and waits until reception is free: an HT630 collection whose
    // line is quiet is set aside at once, one that still receives is set aside at its first
    // quiet cycle unless its marker comes; while a transfer still arrives the user is told
    // "Fin de la réception en cours…".
    void PrepareArret();

    // When the spool file of a PT630 transfer is named (tests fix it).
    std::function<QDateTime()> maintenant = [] {
        return QDateTime::currentDateTime();
    };

private:
    void CycleHt630(quint64 generation);
    void MetDeCoteHt630(const QString& texte);
    void PerteTerminal();
    void DebutPt630();
    void EcritSpool();
    void Vidange();
    void AttendSilence();
    void VerifieSilence(quint64 generation);
    void FinPt630(const QString& chemin, int evenement);
    void Abandonne(const QString& message);

    MSComm& port_;
    EtatLiaison& etat_;
    const Environnement& env_;
    MinuterieLiee minuterie_;
    Progression& progression_;
    std::function<void(const QString&, const QString&)> traiteEmul_;

    // HT630: what the running collection holds, and its quiet cycles in a row.
    QString tamponHt630_;
    bool suiteDeMarque_ = false; // it holds what followed a marker
    int cyclesMuets_ = 0;
    bool arret_ = false; // the program is ending

    // PT630: at rest, collecting a transfer into spool_, or draining one that could not be
    // kept; transfers collected and waiting to be read back are counted apart.
    enum class Pt630 { Repos, Collecte, Vidange };
    Pt630 pt630_ = Pt630::Repos;
    std::unique_ptr<QFile> spool_;
    int evenementTransfert_ = 0;
    int relectures_ = 0;
    // Each pending check (HT630 cycle, PT630 silence) carries the generation it was made for;
    // a newer one makes it void.
    quint64 generation_ = 0;
};

} // namespace kovra
