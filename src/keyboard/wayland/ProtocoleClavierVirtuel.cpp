#include "keyboard/wayland/ProtocoleClavierVirtuel.h"

#include <wayland-client.h>

namespace kovra::protocole {

namespace {

// The types of the requests' arguments: only create_virtual_keyboard's are objects.
const wl_interface* kTypes[] = {nullptr,         nullptr, nullptr, nullptr, &wl_seat_interface,
                                &kClavierVirtuel};

const wl_message kRequetesClavier[] = {
    {"keymap", "uhu", kTypes},
    {"key", "uuu", kTypes},
    {"modifiers", "uuuu", kTypes},
    {"destroy", "", kTypes},
};
const wl_message kRequetesGestionnaire[] = {
    {"create_virtual_keyboard", "on", kTypes + 4},
};

enum Requete : std::uint32_t { kCarte = 0, kCle = 1, kModificateurs = 2, kDetruit = 3 };

} // namespace

const wl_interface kClavierVirtuel = {"zwp_virtual_keyboard_v1", 1, 4,
                                      kRequetesClavier,          0, nullptr};
const wl_interface kGestionnaireClavierVirtuel = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, kRequetesGestionnaire, 0, nullptr};

wl_proxy* CreeClavierVirtuel(wl_proxy* gestionnaire, wl_seat* siege) {
    return wl_proxy_marshal_flags(gestionnaire, 0, &kClavierVirtuel,
                                  wl_proxy_get_version(gestionnaire), 0, siege, nullptr);
}

void EnvoieCarte(wl_proxy* clavier, int fd, std::uint32_t taille) {
    wl_proxy_marshal_flags(clavier, kCarte, nullptr, wl_proxy_get_version(clavier), 0,
                           WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, taille);
}

void EnvoieCle(wl_proxy* clavier, std::uint32_t temps, std::uint32_t codeEvdev, bool enfoncee) {
    wl_proxy_marshal_flags(
        clavier, kCle, nullptr, wl_proxy_get_version(clavier), 0, temps, codeEvdev,
        enfoncee ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
}

void EnvoieModificateurs(wl_proxy* clavier, std::uint32_t enfonces, std::uint32_t verrouilles,
                         std::uint32_t groupe) {
    wl_proxy_marshal_flags(clavier, kModificateurs, nullptr, wl_proxy_get_version(clavier), 0,
                           enfonces, 0U, verrouilles, groupe);
}

void DetruitClavierVirtuel(wl_proxy* clavier) {
    wl_proxy_marshal_flags(clavier, kDetruit, nullptr, wl_proxy_get_version(clavier),
                           WL_MARSHAL_FLAG_DESTROY);
}

} // namespace kovra::protocole
