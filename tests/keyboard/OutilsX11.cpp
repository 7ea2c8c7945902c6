#include "keyboard/OutilsX11.h"

#include <X11/Xlib.h>

bool KeysymDansClavier(unsigned long keysym) {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        return false;
    }
    const bool present = XKeysymToKeycode(d, keysym) != 0;
    XCloseDisplay(d);
    return present;
}
