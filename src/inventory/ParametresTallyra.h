#pragma once

#include <QString>

namespace kovra::tallyra {

// The edition of the management application and the check marks of its two menu entries.
struct EditionLedgra {
    qint16 VersionLedgra = 1; // 1: "Ledgra.ClsProjet", 2: "Ledgra8.ClsProjet"
    bool expertCoche = false; // "Ledgra &Expert"
    bool huitCoche = false;   // "Ledgra &8"
};

// The edition a stored "Ledgra" value stands for: empty gives 1 with nothing checked,
// "1" gives 1 with "Ledgra &Expert" checked, anything else 2 with "Ledgra &8" checked.
EditionLedgra EditionDepuisTexte(const QString& valeur);

// Choosing a menu entry selects its edition and toggles its check mark; checking one
// unchecks the other. The edition follows the last entry chosen, whatever the marks show.
EditionLedgra ChoisitExpert(EditionLedgra e);
EditionLedgra ChoisitHuit(EditionLedgra e);

// Section "Societe" of Parametres.ini.
struct ParametresTallyra {
    QString Societe;
    QString Depot;
    EditionLedgra edition;
    QString LedgraPath;
};

// Reads Parametres.ini of the folder; a missing file or key reads as empty.
ParametresTallyra LitParametres(const QString& dossier);

// Writes the four values in one replacement of the file (the folder is made when missing).
// False, with the reason in `erreur`, when the file could not be written or a value would
// not read back as written (a database path longer than a reading returns, for one).
void EnregistreParametres(const QString& dossier, const ParametresTallyra& p);

} // namespace kovra::tallyra
