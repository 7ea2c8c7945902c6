#pragma once

#include "base/Minuterie.h"
#include "link/MSComm.h"
#include "link/Reception.h"
#include "platform/Fichiers.h"
#include "storage/Environnement.h"

#include <QFile>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace kovra {

// The record a terminal line gives, or nothing for a line that is no record (fewer than
// 28 characters, or "ACK"). A line starting with a control character has its fields in
// columns 2-21 and 23-28; any other is first stripped of its blanks and has them in
// columns 1-20 and 22-27; a stripped line starting with ";" is the blank record.
std::optional<QString> EnregistrementDeLigne(QString& ligne);

// Asks an Optimus or ScanPal terminal for its stored records ("READ"), takes its lines
// one character at a time, acknowledges each record ("ACK") once it is written to a spool
// file of the data folder and synced to the disk (the terminal forgets a record once it
// has its ACK), and at the terminal's end signal ("OVER"; for ScanPal, "OVER" twice) hands
// all the records to processing at once. A run that does not reach its end (cut short,
// the terminal gone, a record that cannot be written, an ACK that cannot be sent) stops
// at once with a message and keeps its spool file (unless it holds no record); the next
// start tells the user about it again.
class Acquisition {
public:
    Acquisition(MSComm& port, EtatLiaison& etat, const Environnement& env, Minuterie& minuterie,
                std::function<void(const QString&, const QString&)> traiteEmul);

    // A run whose terminal sends nothing for this long (checked in three steps) ends,
    // its records kept: a terminal switched off or out of reach never holds the program.
    static constexpr int kSilenceMax = 30000;

    // Starts a run; false (and nothing sent) for a terminal type that is not read this way
    // or while a run is going on.
    [[nodiscard]] bool Demarre();
    bool Occupe() const { return enCours_; }
    // Cuts the run short: nothing is processed, the records received so far stay in the
    // spool file, which the user is told about.
    void Arrete();

    // One event of the port (the program's dispatcher calls it).
    void SurEvenement();

    // One character of the terminal, as each terminal type reads it.
    void showinputOptimus();
    void showinputScanPal();

    // Called when a run ends without handing its records to processing (cut short, the
    // terminal lost, a record that could not be kept, an ACK that could not be sent); the
    // user was told why.
    std::function<void()> interrompue;

    // How each record is made durable before its ACK (the benchmark measures its cost).
    std::function<bool(QFile&)> synchronise = plateforme::SynchroniseFichier;

    QString LigneEnCours;
    QString DerniereLigne;
    bool FinAcquisition = false;

    std::function<QDateTime()> maintenant = [] {
        return QDateTime::currentDateTime();
    };

private:
    // The part common to both types; `fin` is the type's end test on a complete line.
    void Caractere(const std::function<bool(const QString&)>& fin);
    // Takes the characters that wait, as long as the run goes on.
    void Lit();
    [[nodiscard]] bool Acquitte(const QString& enregistrement);
    void Termine();
    // Ends the run without processing: `cause`, then where the records are, then `suite`.
    void Interrompt(const QString& cause, const QString& suite = QString());
    // Every third of kSilenceMax: ends the run when nothing came during three in a row.
    void VerifieSilence();

    MSComm& port_;
    EtatLiaison& etat_;
    const Environnement& env_;
    std::function<void(const QString&, const QString&)> traiteEmul_;
    MinuterieLiee minuterie_;
    quint64 lus_ = 0;         // characters read in this run
    quint64 lusVerifies_ = 0; // as counted at the last check
    int verificationsMuettes_ = 0;
    bool enCours_ = false;
    bool scanPal_ = false;
    std::unique_ptr<QFile> spool_;
};

// The prefix of the name of an acquisition's spool file in the data folder.
inline const QString kPrefixeSpoolAcquisition = QStringLiteral("acquisition-");

} // namespace kovra
