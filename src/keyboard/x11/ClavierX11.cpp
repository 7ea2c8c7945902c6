#include "keyboard/x11/ClavierX11.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kovra {

namespace {

// Keysyms of named keys.
const std::map<std::string, KeySym>& KeysymsNommes() {
    static const std::map<std::string, KeySym> table = [] {
        std::map<std::string, KeySym> t = {
            {"BACKSPACE", XK_BackSpace},
            {"BS", XK_BackSpace},
            {"BKSP", XK_BackSpace},
            {"BREAK", XK_Pause},
            {"CAPSLOCK", XK_Caps_Lock},
            {"DELETE", XK_Delete},
            {"DEL", XK_Delete},
            {"DOWN", XK_Down},
            {"END", XK_End},
            {"ENTER", XK_Return},
            {"ESC", XK_Escape},
            {"HELP", XK_Help},
            {"HOME", XK_Home},
            {"INS", XK_Insert},
            {"INSERT", XK_Insert},
            {"LEFT", XK_Left},
            {"NUMLOCK", XK_Num_Lock},
            {"PGDN", XK_Next},
            {"PGUP", XK_Prior},
            {"PRTSC", XK_Print},
            {"PRTSCR", XK_Print},
            {"RIGHT", XK_Right},
            {"SCROLLLOCK", XK_Scroll_Lock},
            {"TAB", XK_Tab},
            {"UP", XK_Up},
            {"SHIFT", XK_Shift_L},
            {"CONTROL", XK_Control_L},
            {"ALT", XK_Alt_L},
        };
        for (int i = 1; i <= 16; ++i) {
            t["F" + std::to_string(i)] = XK_F1 + static_cast<KeySym>(i - 1);
        }
        for (int i = 0; i <= 9; ++i) {
            // With Num Lock off, as while typing, these give the keypad's other functions.
            t["NUMPAD" + std::to_string(i)] = XK_KP_0 + static_cast<KeySym>(i);
        }
        return t;
    }();
    return table;
}

// Keysyms of the few characters whose keysym is neither Latin-1 nor a Unicode keysym.
const std::unordered_map<char32_t, KeySym> kKeysymsAnciens = {
    {U'€', XK_EuroSign},
    {U'œ', XK_oe},
    {U'Œ', XK_OE},
    {U'Ÿ', XK_Ydiaeresis},
};

char32_t CaractereDe(KeySym ks) {
    if ((ks >= 0x20 && ks <= 0x7e) || (ks >= 0xa0 && ks <= 0xff)) {
        return static_cast<char32_t>(ks);
    }
    if ((ks & 0xff000000UL) == 0x01000000UL) {
        return static_cast<char32_t>(ks & 0x00ffffffUL);
    }
    for (const auto& [c, k] : kKeysymsAnciens) {
        if (k == ks) {
            return c;
        }
    }
    return 0;
}

KeySym KeysymDe(char32_t c) {
    if ((c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0xff)) {
        return c;
    }
    if (const auto it = kKeysymsAnciens.find(c); it != kKeysymsAnciens.end()) {
        return it->second;
    }
    return 0x01000000UL | c;
}

// Time given to the applications to read a bound key before it is freed: they read the
// keymap when told of a change, and must do so before the change is undone. Freeing one
// key for another character in the middle of typing waits less, to keep typing going.
constexpr int kDelaiLiaison = 500;
constexpr int kDelaiReutilisation = 100;

} // namespace

struct ClavierX11::Etat {
    Display* d = nullptr;
    // Where each character is: a key and the modifiers of its level.
    struct Place {
        KeyCode code;
        bool shift;
        bool niveau3;
    };
    std::unordered_map<char32_t, Place> caracteres;
    KeyCode shift = 0;
    KeyCode niveau3 = 0;
    std::vector<KeyCode> libres; // keys without symbols, for characters the keymap lacks
    // Characters bound to spare keys, with when each was last typed.
    struct Liaison {
        KeyCode code;
        std::uint64_t usage;
    };
    std::unordered_map<char32_t, Liaison> liees;
    std::uint64_t usages = 0;
    int symsParTouche = 0;
    // What each character key-down pressed, for its key-up.
    std::unordered_map<char32_t, std::vector<KeyCode>> enfoncees;

    void Touche(KeyCode code, bool bas) { XTestFakeKeyEvent(d, code, bas ? True : False, 0); }

    // A modifier or a named key; false for a name the keymap has no key for.
    bool ToucheNommee(const std::string& nom, bool bas) {
        const auto it = KeysymsNommes().find(nom);
        if (it == KeysymsNommes().end()) {
            return false;
        }
        const KeyCode code = XKeysymToKeycode(d, it->second);
        if (code == 0) {
            return false;
        }
        Touche(code, bas);
        return true;
    }

    void Associe(KeyCode code, KeySym ks) {
        std::vector<KeySym> syms(static_cast<std::size_t>(symsParTouche), ks);
        XChangeKeyboardMapping(d, code, symsParTouche, syms.data(), 1);
    }

    // The first symbol of a key as the server has it now.
    KeySym SymboleActuel(KeyCode code) {
        int n = 0;
        KeySym* syms = XGetKeyboardMapping(d, code, 1, &n);
        const KeySym ks = (syms != nullptr && n > 0) ? syms[0] : NoSymbol;
        XFree(syms);
        return ks;
    }

    bool EstLiee(KeyCode code) const {
        for (const auto& [c, l] : liees) {
            if (l.code == code) {
                return true;
            }
        }
        return false;
    }

    // The spare key bound to the character, binding one if needed; 0 when every spare
    // key is taken. A key another program has bound since is left alone.
    KeyCode Lie(char32_t c) {
        if (const auto it = liees.find(c); it != liees.end()) {
            it->second.usage = ++usages;
            return it->second.code;
        }
        for (const KeyCode code : libres) {
            if (!EstLiee(code) && SymboleActuel(code) == NoSymbol) {
                Associe(code, KeysymDe(c));
                XSync(d, False);
                liees[c] = {code, ++usages};
                return code;
            }
        }
        return 0;
    }

    // Gives a key back to nothing, if it still holds what this keyboard put there.
    void Delie(char32_t c, KeyCode code) {
        if (SymboleActuel(code) == KeysymDe(c)) {
            Associe(code, NoSymbol);
        }
    }

    // Frees the binding typed the longest time ago.
    void DelieAncienne() {
        auto ancienne = liees.begin();
        for (auto it = liees.begin(); it != liees.end(); ++it) {
            if (it->second.usage < ancienne->second.usage) {
                ancienne = it;
            }
        }
        if (ancienne != liees.end()) {
            Delie(ancienne->first, ancienne->second.code);
            liees.erase(ancienne);
            XSync(d, False);
        }
    }

    void DelieTout() {
        for (const auto& [c, l] : liees) {
            Delie(c, l.code);
        }
        liees.clear();
        XSync(d, False);
    }

    void LitClavier();
};

void ClavierX11::Etat::LitClavier() {
    // A new layout loaded since replaces the bindings: forget those that are gone.
    for (auto it = liees.begin(); it != liees.end();) {
        it =
            SymboleActuel(it->second.code) == KeysymDe(it->first) ? std::next(it) : liees.erase(it);
    }
    caracteres.clear();
    shift = XKeysymToKeycode(d, XK_Shift_L);
    niveau3 = XKeysymToKeycode(d, XK_ISO_Level3_Shift);
    unsigned masqueNiveau3 = 0;
    if (niveau3 != 0) {
        XModifierKeymap* modmap = XGetModifierMapping(d);
        for (int m = 0; m < 8; ++m) {
            for (int k = 0; k < modmap->max_keypermod; ++k) {
                if (modmap->modifiermap[m * modmap->max_keypermod + k] == niveau3) {
                    masqueNiveau3 = 1U << m;
                }
            }
        }
        XFreeModifiermap(modmap);
    }

    int minCode = 0;
    int maxCode = 0;
    XDisplayKeycodes(d, &minCode, &maxCode);
    KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(minCode), maxCode - minCode + 1,
                                       &symsParTouche);
    libres.clear();
    for (int code = maxCode; code >= minCode; --code) {
        bool vide = true;
        for (int k = 0; k < symsParTouche; ++k) {
            vide = vide && syms[(code - minCode) * symsParTouche + k] == NoSymbol;
        }
        if (vide || EstLiee(static_cast<KeyCode>(code))) {
            libres.push_back(static_cast<KeyCode>(code));
        }
    }
    XFree(syms);

    XkbDescPtr xkb = XkbGetMap(d, XkbAllClientInfoMask, XkbUseCoreKbd);
    XkbStateRec etat{};
    XkbGetState(d, XkbUseCoreKbd, &etat);
    if (xkb == nullptr) {
        return;
    }
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        const int groupes = XkbKeyNumGroups(xkb, code);
        if (groupes == 0 || EstLiee(static_cast<KeyCode>(code))) {
            continue;
        }
        const int groupe = etat.group < groupes ? etat.group : 0;
        XkbKeyTypePtr type = XkbKeyKeyType(xkb, code, groupe);
        const int niveaux = XkbKeyGroupWidth(xkb, code, groupe);
        for (int niveau = 0; niveau < niveaux; ++niveau) {
            const char32_t c = CaractereDe(XkbKeySymEntry(xkb, code, niveau, groupe));
            if (c == 0) {
                continue;
            }
            // The modifiers that select this level; only Shift and AltGr can be pressed.
            bool trouve = niveau == 0;
            unsigned mods = 0;
            for (int e = 0; e < type->map_count && !trouve; ++e) {
                const XkbKTMapEntryRec& entree = type->map[e];
                if (entree.active && entree.level == niveau &&
                    (entree.mods.mask & ~(ShiftMask | masqueNiveau3)) == 0) {
                    mods = entree.mods.mask;
                    trouve = true;
                }
            }
            if (!trouve) {
                continue;
            }
            const Place place{static_cast<KeyCode>(code), (mods & ShiftMask) != 0,
                              masqueNiveau3 != 0 && (mods & masqueNiveau3) != 0};
            const auto ancienne = caracteres.find(c);
            const int poids = (place.shift ? 1 : 0) + (place.niveau3 ? 2 : 0);
            if (ancienne == caracteres.end() ||
                poids < (ancienne->second.shift ? 1 : 0) + (ancienne->second.niveau3 ? 2 : 0)) {
                caracteres[c] = place;
            }
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
}

ClavierX11::ClavierX11(const char* affichage) : etat_(std::make_unique<Etat>()) {
    etat_->d = XOpenDisplay(affichage);
    if (etat_->d == nullptr) {
        throw ErreurAffichage("Impossible d'ouvrir l'affichage X11 " +
                              std::string(affichage != nullptr ? affichage : "(DISPLAY)"));
    }
    int evenement = 0;
    int erreur = 0;
    int majeur = 0;
    int mineur = 0;
    if (!XTestQueryExtension(etat_->d, &evenement, &erreur, &majeur, &mineur)) {
        XCloseDisplay(etat_->d);
        throw ErreurAffichage("L'affichage X11 n'offre pas l'extension XTest");
    }
    etat_->LitClavier();
    attente_ = [](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    };
}

ClavierX11::~ClavierX11() {
    if (!etat_->liees.empty()) {
        XSync(etat_->d, False);
        attente_(kDelaiLiaison);
        etat_->DelieTout();
    }
    XCloseDisplay(etat_->d);
}

void ClavierX11::Restaure() {
    if (!etat_->liees.empty()) {
        XSync(etat_->d, False);
        etat_->DelieTout();
    }
}

void ClavierX11::DebutFrappe() {
    // The layout or its group may have changed since the last key string.
    etat_->LitClavier();
}

void ClavierX11::Synchronise() {
    XSync(etat_->d, False);
}

bool ClavierX11::Enfonce(const Touche& touche) {
    Etat& e = *etat_;
    if (touche.genre != Touche::Genre::Caractere) {
        return e.ToucheNommee(touche.nom, true);
    }
    std::vector<KeyCode> pressees;
    char32_t c = touche.caractere;
    // Line breaks and tabs are their keys; a line feed is Ctrl+Enter, as on Windows.
    if (c == U'\r' || c == U'\n' || c == U'\t' || c == U'\b' || c == 0x1b) {
        const KeySym ks = c == U'\t'   ? XK_Tab
                          : c == U'\b' ? XK_BackSpace
                          : c == 0x1b  ? XK_Escape
                                       : XK_Return;
        if (c == U'\n') {
            pressees.push_back(XKeysymToKeycode(e.d, XK_Control_L));
        }
        pressees.push_back(XKeysymToKeycode(e.d, ks));
    } else if (c < 0x20 || c == 0x7f) {
        return false; // no key types other control characters
    } else if (const auto it = e.caracteres.find(c); it != e.caracteres.end()) {
        if (it->second.shift) {
            pressees.push_back(e.shift);
        }
        if (it->second.niveau3) {
            pressees.push_back(e.niveau3);
        }
        pressees.push_back(it->second.code);
    } else {
        KeyCode code = e.Lie(c);
        if (code == 0 && !e.liees.empty()) {
            // Every spare key is taken: the one typed longest ago is freed once the
            // applications have had time to read its keystrokes.
            XSync(e.d, False);
            attente_(kDelaiReutilisation);
            e.DelieAncienne();
            code = e.Lie(c);
        }
        pressees.push_back(code);
    }
    for (const KeyCode code : pressees) {
        if (code != 0) {
            e.Touche(code, true);
        }
    }
    const bool tapee = std::find(pressees.begin(), pressees.end(), KeyCode{0}) == pressees.end();
    e.enfoncees[c] = std::move(pressees);
    return tapee;
}

void ClavierX11::Relache(const Touche& touche) {
    Etat& e = *etat_;
    if (touche.genre != Touche::Genre::Caractere) {
        e.ToucheNommee(touche.nom, false);
        XFlush(e.d);
        return;
    }
    const auto it = e.enfoncees.find(touche.caractere);
    if (it == e.enfoncees.end()) {
        return;
    }
    for (auto code = it->second.rbegin(); code != it->second.rend(); ++code) {
        if (*code != 0) {
            e.Touche(*code, false);
        }
    }
    e.enfoncees.erase(it);
    XFlush(e.d);
}

bool ClavierX11::VerrouActif(Verrou verrou) const {
    Display* d = etat_->d;
    XSync(d, False);
    const char* nom = verrou == Verrou::Majuscules  ? "Caps Lock"
                      : verrou == Verrou::Numerique ? "Num Lock"
                                                    : "Scroll Lock";
    Bool actif = False;
    if (XkbGetNamedIndicator(d, XInternAtom(d, nom, False), nullptr, &actif, nullptr, nullptr)) {
        return actif == True;
    }
    return false;
}

void ClavierX11::Envoie() {
    XFlush(etat_->d);
}

} // namespace kovra
