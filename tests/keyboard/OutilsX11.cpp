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

int TouchesSansSymbole() {
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) {
        return 0;
    }
    int min = 0;
    int max = 0;
    XDisplayKeycodes(d, &min, &max);
    int parTouche = 0;
    KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(min), max - min + 1, &parTouche);
    int libres = 0;
    for (int code = 0; code <= max - min; ++code) {
        bool vide = true;
        for (int k = 0; k < parTouche; ++k) {
            vide = vide && syms[code * parTouche + k] == NoSymbol;
        }
        libres += vide ? 1 : 0;
    }
    XFree(syms);
    XCloseDisplay(d);
    return libres;
}
