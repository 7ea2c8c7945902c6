#pragma once

#include "dialogues/Dialogues.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace kovra {

// What asking for the counter came to.
struct PriseCompteur {
    // The value, in decimal, once taken.
    std::optional<QString> valeur;
    // Another program held the database locked: the value may be taken when asked again.
    bool occupee = false;
    // Why it was not taken: the error number, a blank and the description.
    QString erreur;
};

// The value the "&INCREMENT" token inserts, in decimal, taken from table Increment of
// the data folder's Scen.db, which then holds the value plus 1. With no row in the
// table the value is 10 and nothing is stored. A value the table holds that is no 16-bit
// whole number, or that cannot grow, is an error, as is a missing Scen.db (it is never
// created here). When another program holds the database, waits up to `attenteOccupee`
// milliseconds (0: answers at once, so that the caller can ask again later without holding
// the event loop).
PriseCompteur PrendCompteur(const QString& dossierDonnees, int attenteOccupee);

class BaseScen;

// The counter of a run, asked once per frame: the database connection is kept from one frame
// to the next, and opened again when Scen.db is no longer the file it was opened on (replaced,
// or deleted: then it is an error, as it would be for PrendCompteur).
class CompteurRun {
public:
    CompteurRun(QString dossierDonnees, int attenteOccupee);
    ~CompteurRun();
    CompteurRun(const CompteurRun&) = delete;
    CompteurRun& operator=(const CompteurRun&) = delete;

    PriseCompteur Prend();

private:
    QString chemin_;
    int attente_;
    std::unique_ptr<BaseScen> base_;
    QByteArray identite_; // of the file base_ was opened on
};

// PrendCompteur waiting the database's usual time; a failure is shown as the error number,
// a blank and its description, and gives nothing.
std::optional<QString> CompteurSuivant(const QString& dossierDonnees, Dialogues& dialogues);

} // namespace kovra
