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
// ErreurKovra) a missing or unknown type, a name that cannot be a file name, and a name
// already taken, since the name is the compiled file's name.
qint16 CreeScenario(BaseScen& base, const NouveauScenario& nouveau);

// The number of the named scenario; throws ErreurKovra when there is none.
qint16 NumeroScenario(BaseScen& base, const QString& nom);

// Appends an action with the next NumAction, which it returns. An empty action, or one
// holding "@" or a line break, is refused (throws ErreurKovra).
qint16 AjouteAction(BaseScen& base, qint16 numero, const QString& champs, int placeTrame);

// Removes the scenario: its compiled file, its row and its actions; the registry values
// that name it (chosen, inventory and order scenarios) become empty.
void SupprimeScenario(BaseScen& base, Registre& registre, const QString& dossierDonnees,
                      const QString& nom);

} // namespace kovra
