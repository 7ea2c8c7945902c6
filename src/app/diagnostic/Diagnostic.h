#pragma once

#include "app/diagnostic/Constat.h"
#include "app/diagnostic/Poste.h"

namespace kovra {

// Looks at what on the machine may keep Kovra from working, and changes nothing: the data
// folder and its files, the chosen scenario, the serial port, the desktop session (X11,
// Wayland, keyboard layout, notification area), the transfer library. One finding per
// check, in that order.
std::vector<Constat> Diagnostique(const DescriptionPoste& poste);

} // namespace kovra
