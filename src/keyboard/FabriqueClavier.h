#pragma once

#include "keyboard/ClavierVirtuel.h"

#include <memory>

namespace kovra {

// The keyboard that types into the user's session on this platform (X11 here). Throws
// ErreurKovra, saying what is missing, when there is no session to type into.
std::unique_ptr<ClavierVirtuel> CreeClavierSession();

} // namespace kovra
