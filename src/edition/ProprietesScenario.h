#pragma once

#include <QString>
#include <optional>

namespace kovra {

class BaseScen;

// The prompt of the partial-frame box, and what its answer came to: a field count from 1
// to 32767, nothing (cancelled, empty or 0: the box is unticked), or a refusal to show.
inline const QString kInviteNombreChamps = QStringLiteral("Nombre de champs dans la trame :");
struct NombreChamps {
    std::optional<qint16> nombre;
    QString refus;
};
NombreChamps LitNombreChamps(const std::optional<QString>& reponse);

// The line of the scenario list for a name, and the name of a line.
QString LigneListeScenario(const QString& nom);
QString NomLigneScenario(const QString& ligne);

// Saves what the page changes on an existing scenario: its output path and whether its
// output files are numbered. A path too long for the compiled file is refused (throws
// ErreurKovra), as is a scenario that no longer exists.
void EnregistreProprietes(BaseScen& base, qint16 numero, const QString& chemin, bool numerote);

} // namespace kovra
