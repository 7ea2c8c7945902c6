#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_interface;
struct xkb_keymap;

class QSocketNotifier;

namespace kovra {

// A connection of Kovra's own to the Wayland compositor of the session, beside whatever
// the toolkit holds: the globals it offers, the seat, and the keymap the seat's keyboard
// sends (libxkbcommon), which is the user's layout on desktops that type through it.
//
// Nothing here waits, except Ouvre(), AttendCarte() (bounded, when a keyboard is made) and
// AttendSynchro() (bounded, when it goes):
// events are read as they come, from the event loop, and a batch of requests is known
// handled by the compositor once the round trip asked after it comes back (DemandeSynchro(),
// Synchronise()).
class ConnexionWayland {
public:
    struct Globale {
        std::string interface;
        std::uint32_t nom = 0;
        std::uint32_t version = 0;
    };

    // Connects to the display named by WAYLAND_DISPLAY (or the one given) and reads its
    // globals and the seat's keymap; nullptr, with `erreur` saying why, when it cannot.
    static std::unique_ptr<ConnexionWayland> Ouvre(std::string& erreur,
                                                   const char* affichage = nullptr);
    ~ConnexionWayland();
    ConnexionWayland(const ConnexionWayland&) = delete;
    ConnexionWayland& operator=(const ConnexionWayland&) = delete;

    wl_display* Affichage() const;
    const std::vector<Globale>& Globales() const;
    // The global of that interface, or nullptr.
    const Globale* Cherche(const char* interface) const;
    // Binds a global to a proxy of the given interface (version at most `version`).
    void* Lie(const Globale& g, const wl_interface* interface, std::uint32_t version);
    wl_seat* Siege() const;

    // The keymap the seat's keyboard sent last (nullptr before any: a seat without a
    // keyboard), and the layout it uses now.
    xkb_keymap* Carte() const;
    std::uint32_t Groupe() const;
    // Reads the events waiting (the keymap may change) without waiting for any.
    void Lit();
    // Waits, at most `delai`, for a keymap from the seat: the keyboard of a desktop that
    // makes one only once a program types (GNOME's remote desktop).
    bool AttendCarte(std::chrono::milliseconds delai);
    // Waits, at most `delai`, until the compositor has handled all that was sent: before
    // the connection closes, since a compositor drops what it had not read of a program
    // that went.
    bool AttendSynchro(std::chrono::milliseconds delai);
    // Asks for a round trip after what was sent: Synchronise() is true until it comes back.
    void DemandeSynchro();
    bool Synchronise();
    // Hands what was queued to the compositor.
    void Vide();
    // Whether the compositor ended the connection (or refused a request).
    bool Rompue() const;

    // What the connection holds; its listeners (plain functions) fill it.
    struct Etat;

private:
    ConnexionWayland();
    // Reads the events that come within `millisecondes` (0: those waiting).
    void LitPendant(int millisecondes);
    bool Attend(const std::function<bool()>& fait, std::chrono::milliseconds delai);
    std::unique_ptr<Etat> etat_;
    std::unique_ptr<QSocketNotifier> veille_;
};

} // namespace kovra
