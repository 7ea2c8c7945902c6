#pragma once

#include "base/Environnement.h"
#include "base/Minuterie.h"
#include "base/Progression.h"
#include "link/EtatLiaison.h"
#include "link/MSComm.h"

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
//   drops it; the text before "FINTRANSKOVRA" is the frame.
// - PT630: what arrives is written to a spool file in the data folder as it comes; 500 ms
//   of silence ends the transfer, which is read back 1000 ms later. An empty transfer or
//   "<DEL>" CR LF is dropped, a final byte 255 means "Terminal connecté", a port fault
//   is reported and the data kept in the spool file, whose name the user is given.
// An HT630 collection whose end marker does not come within 10 s of silence is set aside
// in a file, with a message, rather than glued to the next transfer.
// Other terminal types leave the port alone. A complete frame goes to `traiteEmul`.
// The port's events come through SurEvenement (the program's dispatcher calls it).
class Reception {
public:
    Reception(MSComm& port, EtatLiaison& etat, const Environnement& env, Minuterie& minuterie,
              Progression& progression,
              std::function<void(const QString&, const QString&)> traiteEmul);

    // One event of the port.
    void SurEvenement();
    // Whether a transfer is being collected or read back.
    bool Occupee() const { return etat_.EnReception || pt630_ != Pt630::Repos; }

    // When the spool file of a PT630 transfer is named (tests fix it).
    std::function<QDateTime()> maintenant = [] {
        return QDateTime::currentDateTime();
    };

private:
    void CycleHt630(QString tampon, int cyclesMuets);
    void AbandonneHt630(const QString& tampon);
    void DebutPt630();
    void EcritSpool();
    void VerifieSilence(quint64 generation);
    void FinPt630();
    void Abandonne(const QString& message);

    MSComm& port_;
    EtatLiaison& etat_;
    const Environnement& env_;
    MinuterieLiee minuterie_;
    Progression& progression_;
    std::function<void(const QString&, const QString&)> traiteEmul_;

    enum class Pt630 { Repos, Collecte, Relecture };
    Pt630 pt630_ = Pt630::Repos;
    std::unique_ptr<QFile> spool_;
    quint64 generation_ = 0;
    int evenementTransfert_ = 0;
};

} // namespace kovra
