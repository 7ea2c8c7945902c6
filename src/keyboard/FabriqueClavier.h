#pragma once

#include "keyboard/ClavierVirtuel.h"

#include <QString>

#include <memory>

namespace kovra {

// The keyboard that types into the user's session, chosen by the session: in a Wayland
// session, the interface its desktop offers (wlroots' virtual keyboard, KWin's fake input,
// GNOME's remote desktop); else, or when the desktop offers none of them, XTest on the X
// display (on a Wayland desktop, XWayland's: only X11 windows receive it). Throws
// ErreurKovra, saying what is missing, when there is no way to type.
std::unique_ptr<ClavierVirtuel> CreeClavierSession();

// Whether the session is a Wayland one (WAYLAND_DISPLAY or XDG_SESSION_TYPE say so).
bool SessionWayland();

// What the user must know of a keyboard made for this session: in a Wayland session, a
// keyboard that reaches only X11 windows; empty otherwise.
QString LimiteClavier(const ClavierVirtuel& clavier);

} // namespace kovra
