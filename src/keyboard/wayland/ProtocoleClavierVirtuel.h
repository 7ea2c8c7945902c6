#pragma once

#include <cstdint>

struct wl_interface;
struct wl_proxy;
struct wl_seat;

namespace kovra::protocole {

// virtual-keyboard-unstable-v1, the wlroots desktops' interface for a program that brings
// its own keyboard. No Debian package holds its XML: the two interfaces are described here,
// with the few requests Kovra makes.
inline constexpr const char* kNomGestionnaireClavierVirtuel = "zwp_virtual_keyboard_manager_v1";
extern const wl_interface kGestionnaireClavierVirtuel;
extern const wl_interface kClavierVirtuel; // zwp_virtual_keyboard_v1

wl_proxy* CreeClavierVirtuel(wl_proxy* gestionnaire, wl_seat* siege);
// format 1: XKB's text form; the file holds the text and its NUL.
void EnvoieCarte(wl_proxy* clavier, int fd, std::uint32_t taille);
void EnvoieCle(wl_proxy* clavier, std::uint32_t temps, std::uint32_t codeEvdev, bool enfoncee);
void EnvoieModificateurs(wl_proxy* clavier, std::uint32_t enfonces, std::uint32_t verrouilles,
                         std::uint32_t groupe);
void DetruitClavierVirtuel(wl_proxy* clavier);

} // namespace kovra::protocole
