#pragma once

// Whether any key of the display's keymap holds the keysym (without X11 headers, which
// clash with Qt's).
bool KeysymDansClavier(unsigned long keysym);
