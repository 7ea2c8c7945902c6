#pragma once

#include <QString>
#include <QStringList>

namespace kovra {

// The picker's last two items: a timer pause, and a text the user types.
inline const QString kItemTimer = QStringLiteral("&Timer");
inline const QString kItemChampLibre = QStringLiteral("Champs libre");

// The display name of a Touche.ini name: "{F1}" is listed as "F1", a name without braces
// as it is.
QString NomAffiche(const QString& nom);

// Everything that can become an action of a scenario of type `type`, in the picker's order.
// A file scenario: the field tokens, the 33 values of section "Touches" of TouFic.ini, then
// "&Timer" and "Champs libre" (42 items). Any other type: "&EMP", "&CODE", "&QTY", the
// display names of the system keys then of the special keys of Touche.ini, then the same
// two (43 items). An item that would be empty (a key missing from its file) is left out:
// an empty action cannot be stored.
QStringList ItemsTouches(const QString& dossierDonnees, const QString& type);

} // namespace kovra
