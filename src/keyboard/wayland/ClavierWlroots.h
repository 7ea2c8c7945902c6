#pragma once

#include "keyboard/wayland/CarteKovra.h"
#include "keyboard/wayland/ClavierCadence.h"
#include "keyboard/wayland/ConnexionWayland.h"

#include <memory>

struct wl_proxy;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

namespace kovra {

// Typing on a wlroots desktop (sway, Hyprland, labwc...) through a virtual keyboard of
// Kovra's own (zwp_virtual_keyboard_v1) that carries Kovra's keymap (CarteKovra): any
// character is typed, whatever the user's layout, and the user's lock keys do not act on
// it. The keymap is sent again only when a text needs characters it lacks, before the
// text's first key; the keyboard lives as long as this object, so that windows have bound
// it before the first key.
//
// The desktop does not work out the modifiers of a virtual keyboard: they are computed
// here from the keys held (libxkbcommon on the same keymap) and sent after each change.
class ClavierWlroots : public ClavierCadence {
public:
    // The keyboard made on the connection's seat; throws ErreurKovra when the desktop
    // offers no virtual keyboard or no seat.
    explicit ClavierWlroots(std::unique_ptr<ConnexionWayland> connexion);
    ~ClavierWlroots() override;
    ClavierWlroots(const ClavierWlroots&) = delete;
    ClavierWlroots& operator=(const ClavierWlroots&) = delete;

    bool VerrouActif(Verrou verrou) const override;
    void DebutFrappe(std::u32string_view caracteres) override;
    int DelaiAvant(const Touche& touche) override;
    std::vector<Touche> Intapables(std::span<const Touche> touches) const override;
    std::string Nom() const override { return "zwp_virtual_keyboard_v1 (wlroots)"; }

    // The time a window is given to take a new keymap before the next key.
    static constexpr std::chrono::milliseconds kAttenteCarte{50};
    // ... and a new keyboard, before its first key.
    static constexpr std::chrono::milliseconds kMiseEnPlace{200};

protected:
    bool Presse(const Touche& touche) override;
    void Lache(const Touche& touche) override;
    void Expedie() override;
    bool Synchronise() override;

private:
    // Sends the keymap as it stands and takes it for the modifiers.
    void Televerse();
    void Cle(std::uint32_t code, bool enfoncee);

    std::unique_ptr<ConnexionWayland> connexion_;
    wl_proxy* gestionnaire_ = nullptr;
    wl_proxy* clavier_ = nullptr;
    CarteKovra carte_;
    xkb_context* contexte_ = nullptr;
    xkb_keymap* xkb_ = nullptr;
    xkb_state* etat_ = nullptr;
    std::uint32_t enfonces_ = 0, verrouilles_ = 0; // the modifiers last sent
    std::u32string texte_;                         // the characters the text types
    std::size_t tapes_ = 0;                        // how many of them were pressed
};

} // namespace kovra
