#pragma once

#include <QIcon>
#include <QString>

namespace kovra {

// A picture of the program by its name ("kovra", "port-ouvert", "menu-quitter"...).
QIcon IconeKovra(const QString& nom);

} // namespace kovra
