#pragma once

#include <QString>
#include <optional>

namespace kovra {

class BaseScen;
class Registre;

// What the settings window applies to the registry: the scenario reception uses, the
// inventory and order scenarios (not shown, kept as they were read), the decimal separator
// as typed, the pause between keys in milliseconds and whether the terminal's fields are
// key strings (each left as it is when not given).
struct ChoixScenarios {
    QString ScenChoisi;
    QString ScenInvent;
    QString ScenCde;
    std::optional<QString> Separateur;
    std::optional<int> DelaiTouches;
    std::optional<bool> ChampsTouches;
};

// The decimal separator kept for a text typed by the user: the text when it is exactly one
// character, else ".".
QString SeparateurRetenu(const QString& texte);

// Compiles the chosen scenario, and the inventory and order scenarios when they still
// exist (one that no longer does is skipped), then writes the registry values. Every
// look-up and compilation comes before the first write, so a failure (throws ErreurKovra:
// the chosen scenario missing, a scenario that cannot be compiled, a value that cannot be
// written) leaves the registry as it was, or names the value that could not be written.
void AppliqueChoixScenarios(BaseScen& base, Registre& registre, const QString& dossierDonnees,
                            const ChoixScenarios& choix);

// Compiles the named scenario again when it exists; false when it does not.
bool RecompileSiPresent(BaseScen& base, const QString& dossierDonnees, const QString& nom);

} // namespace kovra
