#pragma once

#include "ClavierVirtuel.h"

#include <memory>

namespace kovra {

// The keyboard that delivers a scenario's output: the X11 session's for keystrokes
// (ErreurKovra without one), none that types anything for a file scenario.
std::unique_ptr<ClavierVirtuel> ClavierScenario(bool sortieFichier);

} // namespace kovra
