// frappe_essai_wayland: test scaffolding that types text into the focused native Wayland
// window of a headless KWin or mutter, to prove the test bench's receivers. It is not the
// program's keyboard backend; it does the least that works and says so when it cannot.
//
//   frappe_essai_wayland globales   prints the globals the compositor offers this very
//                                   executable, one a line (KWin hides some per executable)
//   frappe_essai_wayland kwin       types through org_kde_kwin_fake_input
//   frappe_essai_wayland mutter     types through org.gnome.Mutter.RemoteDesktop on the
//                                   session bus (DBUS_SESSION_BUS_ADDRESS)
//
// kwin and mutter first make their keyboard (a fake-input device, a remote desktop session)
// and print "pret"; then each line read on the standard input is typed (without its line
// end; "\b" is BackSpace) and answered "tape N" (N characters); end of input ends the keyboard
// and the program.
// The keyboard lives for the whole run: the first keys of a new keyboard are lost while the
// focused window has not yet bound wl_keyboard. A character the compositor's keymap does not
// hold stops the program with status 1 and a message, before anything of its line is typed.
//
// KWin: the keymap is the one KWin sends to the seat's wl_keyboard; a character is typed as
// the evdev code of its key (XKB keycode - 8), with Shift (KEY_LEFTSHIFT 42) for level 2 and
// AltGr (KEY_RIGHTALT 100) for level 3. Each press and its release go together and a
// wl_display_roundtrip follows each character, so the compositor's buffers never fill.
// mutter: the same keys and levels through NotifyKeyboardKeycode(evdev code, pressed); one
// Shift press and release (NotifyKeyboardKeysym) when the session starts, then 200 ms, makes
// the seat's keyboard exist before the first character (without it the first characters are
// lost). Keysyms (NotifyKeyboardKeysym) are not used for text: mutter 43 silently drops those
// its layout lacks, and types a keysym it first finds on level 4 of a key as that key's level
// 1 (on fr, ° gave "à" and £ gave '"', though both are also on level 2 of other keys).
#include "fake-input-client-protocol.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <linux/input-event-codes.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace {

struct Touche {
    uint32_t codeEvdev = 0;
    uint32_t niveau = 0; // 0 plain, 1 Shift, 2 AltGr, 3 Shift+AltGr
    xkb_keysym_t keysym = 0;
};

struct Etat {
    wl_seat* siege = nullptr;
    wl_keyboard* clavier = nullptr;
    org_kde_kwin_fake_input* fauxClavier = nullptr;
    std::vector<std::string> globales;
    xkb_context* contexte = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
};

void Keymap(void* donnees, wl_keyboard*, uint32_t format, int32_t fd, uint32_t taille) {
    auto* etat = static_cast<Etat*>(donnees);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
        void* texte = mmap(nullptr, taille, PROT_READ, MAP_PRIVATE, fd, 0);
        if (texte != MAP_FAILED) {
            if (etat->keymap != nullptr) {
                xkb_keymap_unref(etat->keymap);
            }
            etat->keymap =
                xkb_keymap_new_from_string(etat->contexte, static_cast<char*>(texte),
                                           XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(texte, taille);
        }
    }
    close(fd);
}
void Entree(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void Sortie(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void Touche_(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void Modificateurs(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void Repetition(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kEcouteClavier{Keymap,  Entree,        Sortie,
                                          Touche_, Modificateurs, Repetition};

void Capacites(void* donnees, wl_seat* siege, uint32_t capacites) {
    auto* etat = static_cast<Etat*>(donnees);
    if ((capacites & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && etat->clavier == nullptr) {
        etat->clavier = wl_seat_get_keyboard(siege);
        wl_keyboard_add_listener(etat->clavier, &kEcouteClavier, etat);
    }
}
void NomSiege(void*, wl_seat*, const char*) {}
const wl_seat_listener kEcouteSiege{Capacites, NomSiege};

void Globale(void* donnees, wl_registry* registre, uint32_t nom, const char* interface,
             uint32_t version) {
    auto* etat = static_cast<Etat*>(donnees);
    etat->globales.emplace_back(interface);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && etat->siege == nullptr) {
        etat->siege = static_cast<wl_seat*>(
            wl_registry_bind(registre, nom, &wl_seat_interface, std::min(version, 5u)));
        wl_seat_add_listener(etat->siege, &kEcouteSiege, etat);
    } else if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 &&
               version >= 4) {
        etat->fauxClavier = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registre, nom, &org_kde_kwin_fake_input_interface, 4));
    }
}
void GlobaleRetiree(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kEcouteRegistre{Globale, GlobaleRetiree};

int Echec(const std::string& message) {
    std::cerr << "frappe_essai_wayland: " << message << std::endl;
    return 1;
}

// The key and level that give `c` in the first layout of the keymap.
std::optional<Touche> ToucheDe(xkb_keymap* keymap, char32_t c) {
    const xkb_keysym_t voulu = c == U'\n' ? XKB_KEY_Return : xkb_utf32_to_keysym(c);
    if (voulu == XKB_KEY_NoSymbol) {
        return std::nullopt;
    }
    for (xkb_keycode_t k = xkb_keymap_min_keycode(keymap); k <= xkb_keymap_max_keycode(keymap);
         ++k) {
        const xkb_level_index_t niveaux = xkb_keymap_num_levels_for_key(keymap, k, 0);
        for (xkb_level_index_t n = 0; n < niveaux && n < 4; ++n) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap, k, 0, n, &syms) == 1 && syms[0] == voulu &&
                k >= 8) {
                return Touche{k - 8, n, voulu};
            }
        }
    }
    return std::nullopt;
}

// A line read as UTF-8, as code points (malformed bytes give U+FFFD, which no keymap holds).
std::u32string PointsCode(const std::string& ligne) {
    return QString::fromStdString(ligne).toStdU32String();
}

// The keys of a whole line, or the first character the keymap lacks.
bool Touches(xkb_keymap* keymap, const std::u32string& texte, std::vector<Touche>& touches,
             std::string& erreur) {
    for (char32_t c : texte) {
        const auto t = ToucheDe(keymap, c);
        if (!t) {
            erreur = "the compositor's keymap has no key for U+" +
                     QString::number(static_cast<uint>(c), 16).toUpper().toStdString();
            return false;
        }
        touches.push_back(*t);
    }
    return true;
}

void CleKwin(wl_display* affichage, org_kde_kwin_fake_input* f, uint32_t code, bool appuyee) {
    org_kde_kwin_fake_input_keyboard_key(f, code, appuyee ? 1 : 0);
    wl_display_flush(affichage);
}

void TapeKwin(wl_display* affichage, org_kde_kwin_fake_input* f, const Touche& t) {
    const bool maj = (t.niveau & 1) != 0;
    const bool altgr = t.niveau >= 2;
    if (maj) {
        CleKwin(affichage, f, KEY_LEFTSHIFT, true);
    }
    if (altgr) {
        CleKwin(affichage, f, KEY_RIGHTALT, true);
    }
    CleKwin(affichage, f, t.codeEvdev, true);
    CleKwin(affichage, f, t.codeEvdev, false);
    if (altgr) {
        CleKwin(affichage, f, KEY_RIGHTALT, false);
    }
    if (maj) {
        CleKwin(affichage, f, KEY_LEFTSHIFT, false);
    }
    wl_display_roundtrip(affichage);
}

// A remote desktop session of mutter, ended when this object goes (or the connection does).
class SessionMutter {
public:
    bool Ouvre(std::string& erreur) {
        auto bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            erreur = "no session bus: " + bus.lastError().message().toStdString();
            return false;
        }
        const QDBusMessage reponse = bus.call(QDBusMessage::createMethodCall(
            kService, "/org/gnome/Mutter/RemoteDesktop", kService, "CreateSession"));
        if (reponse.type() != QDBusMessage::ReplyMessage || reponse.arguments().isEmpty()) {
            erreur = "CreateSession failed: " + reponse.errorMessage().toStdString();
            return false;
        }
        chemin_ = reponse.arguments().constFirst().value<QDBusObjectPath>().path();
        if (!Appelle("Start", {}, erreur)) {
            return false;
        }
        ouverte_ = true;
        return Cle(XKB_KEY_Shift_L, true, erreur) && Cle(XKB_KEY_Shift_L, false, erreur);
    }
    bool Cle(xkb_keysym_t keysym, bool appuyee, std::string& erreur) {
        return Appelle("NotifyKeyboardKeysym", {static_cast<uint>(keysym), appuyee}, erreur);
    }
    bool Code(uint32_t codeEvdev, bool appuyee, std::string& erreur) {
        return Appelle("NotifyKeyboardKeycode", {static_cast<uint>(codeEvdev), appuyee}, erreur);
    }
    // The key with Shift and AltGr as its level needs them, as TapeKwin does.
    bool Tape(const Touche& t, std::string& erreur) {
        const bool maj = (t.niveau & 1) != 0;
        const bool altgr = t.niveau >= 2;
        return (!maj || Code(KEY_LEFTSHIFT, true, erreur)) &&
               (!altgr || Code(KEY_RIGHTALT, true, erreur)) && Code(t.codeEvdev, true, erreur) &&
               Code(t.codeEvdev, false, erreur) && (!altgr || Code(KEY_RIGHTALT, false, erreur)) &&
               (!maj || Code(KEY_LEFTSHIFT, false, erreur));
    }
    ~SessionMutter() {
        std::string ignore;
        if (ouverte_) {
            Appelle("Stop", {}, ignore);
        }
    }

private:
    bool Appelle(const char* methode, const QVariantList& arguments, std::string& erreur) {
        auto m = QDBusMessage::createMethodCall(kService, chemin_,
                                                QStringLiteral("%1.Session").arg(kService),
                                                QString::fromLatin1(methode));
        m.setArguments(arguments);
        const QDBusMessage reponse = QDBusConnection::sessionBus().call(m);
        if (reponse.type() != QDBusMessage::ReplyMessage) {
            erreur = std::string(methode) + " failed: " + reponse.errorMessage().toStdString();
            return false;
        }
        return true;
    }

    static constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";
    QString chemin_;
    bool ouverte_ = false;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        return Echec("usage: frappe_essai_wayland globales|kwin|mutter");
    }
    const std::string mode = argv[1];
    wl_display* affichage = wl_display_connect(nullptr);
    if (affichage == nullptr) {
        return Echec("cannot connect to the Wayland display (WAYLAND_DISPLAY)");
    }
    Etat etat;
    wl_registry* registre = wl_display_get_registry(affichage);
    wl_registry_add_listener(registre, &kEcouteRegistre, &etat);
    wl_display_roundtrip(affichage); // the globals
    wl_display_roundtrip(affichage); // the seat's capabilities
    wl_display_roundtrip(affichage); // the keyboard's keymap
    if (mode == "globales") {
        for (const auto& g : etat.globales) {
            std::cout << g << '\n';
        }
        return 0;
    }
    std::unique_ptr<SessionMutter> session;
    std::string erreur;
    if (mode == "kwin") {
        if (etat.fauxClavier == nullptr) {
            return Echec("org_kde_kwin_fake_input (version 4) is not offered to this program");
        }
        org_kde_kwin_fake_input_authenticate(etat.fauxClavier, "frappe_essai_wayland",
                                             "test bench typing");
        wl_display_roundtrip(affichage);
    } else if (mode == "mutter") {
        session = std::make_unique<SessionMutter>();
        if (!session->Ouvre(erreur)) {
            return Echec(erreur);
        }
        // The seat gets its keyboard from the session: then its keymap comes.
        QThread::msleep(200);
        for (int i = 0; i < 50 && etat.keymap == nullptr; ++i) {
            wl_display_roundtrip(affichage);
            QThread::msleep(20);
        }
    } else {
        return Echec("unknown mode " + mode);
    }
    if (etat.keymap == nullptr) {
        return Echec("the compositor sent no keymap (no keyboard in its seat)");
    }
    std::cout << "pret" << std::endl;
    for (std::string ligne; std::getline(std::cin, ligne);) {
        std::vector<Touche> touches;
        if (!Touches(etat.keymap, PointsCode(ligne), touches, erreur)) {
            return Echec(erreur);
        }
        for (const Touche& t : touches) {
            if (session) {
                if (!session->Tape(t, erreur)) {
                    return Echec(erreur);
                }
            } else {
                TapeKwin(affichage, etat.fauxClavier, t);
            }
        }
        std::cout << "tape " << touches.size() << std::endl;
    }
    session.reset();
    wl_display_disconnect(affichage);
    return 0;
}
