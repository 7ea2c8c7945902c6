#pragma once

// Looks at the display's keymap from a connection of its own (without X11 headers, which
// clash with Qt's).

// Whether any key of the keymap holds the keysym.
bool KeysymDansClavier(unsigned long keysym);

// How many keycodes have no symbol at all.
int TouchesSansSymbole();
