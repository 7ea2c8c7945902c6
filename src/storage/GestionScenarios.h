#pragma once

#include <QString>

namespace kovra {

class BaseScen;
class Registre;

inline const QString kTypeEmulation = QStringLiteral("Emulation");
inline const QString kTypeFichier = QStringLiteral("Fichier");

// What the user gives for a new scenario.
struct NouveauScenario {
    QString Nom;
    QString Type;        // "Emulation" or "Fichier"
    qint16 NbrTrame = 0; // fields per record of a partial frame; 0: whole frames
    bool Numerote = false;
    QString Chemin;
};

// Adds the scenario with the next free number and returns that number. Refuses (throws
// ErreurKovra) a missing or unknown type, a name that cannot be a file name or holds
// characters outside Windows-1252, a name already taken, since the name is the compiled file's
// name, and an output path longer than its compiled file can keep.
qint16 CreeScenario(BaseScen& base, const NouveauScenario& nouveau);

// The number of the named scenario; throws ErreurKovra when there is none.
qint16 NumeroScenario(BaseScen& base, const QString& nom);

// Appends an action with the next NumAction, which it returns. An action that cannot be
// stored (see VerifieAction: empty, holding "@" or a line break, characters Windows-1252
// lacks, a place outside 0..32767) and one that would make the action list or the frame
// places longer than the compiled file can keep (see ProblemeLongueurCompilee) are refused
// (throws ErreurKovra).
qint16 AjouteAction(BaseScen& base, qint16 numero, const QString& champs, int placeTrame);

// Removes the scenario: its compiled file, its row and its actions; the registry values
// that name it (chosen, inventory and order scenarios) become empty.
void SupprimeScenario(BaseScen& base, Registre& registre, const QString& dossierDonnees,
                      const QString& nom);

} // namespace kovra
