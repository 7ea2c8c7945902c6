#include "keyboard/wayland/DispositionXkb.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <xkbcommon/xkbcommon.h>

namespace kovra {

namespace {

// The key that gives a keysym at the lowest level of the current group, or 0.
xkb_keycode_t CodeDe(xkb_keymap* carte, xkb_layout_index_t groupe, xkb_keysym_t voulu) {
    for (xkb_keycode_t k = xkb_keymap_min_keycode(carte); k <= xkb_keymap_max_keycode(carte); ++k) {
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_num_layouts_for_key(carte, k) > groupe &&
            xkb_keymap_key_get_syms_by_level(carte, k, groupe, 0, &syms) == 1 && syms[0] == voulu) {
            return k;
        }
    }
    return 0;
}

// XKB's list of layouts and variants, or nothing when it cannot be read.
std::string ListeXkb() {
    const char* racine = std::getenv("XKB_CONFIG_ROOT");
    std::ifstream f(std::string(racine != nullptr ? racine : "/usr/share/X11/xkb") +
                    "/rules/evdev.lst");
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

} // namespace

std::string NomCourtDisposition(const std::string& description, std::string_view liste) {
    // "! layout" lines: "  fr              French"; "! variant" lines:
    // "  nodeadkeys      de: German (no dead keys)".
    std::string_view section;
    std::size_t debut = 0;
    while (debut < liste.size()) {
        const std::size_t fin = std::min(liste.find('\n', debut), liste.size());
        const std::string_view ligne = liste.substr(debut, fin - debut);
        debut = fin + 1;
        if (ligne.starts_with("! ")) {
            section = ligne.substr(2);
            continue;
        }
        const std::size_t nom = ligne.find_first_not_of(' ');
        if (nom == std::string_view::npos) {
            continue;
        }
        const std::size_t blanc = ligne.find(' ', nom);
        const std::size_t texte = ligne.find_first_not_of(' ', blanc);
        if (blanc == std::string_view::npos || texte == std::string_view::npos) {
            continue;
        }
        const std::string_view court = ligne.substr(nom, blanc - nom);
        std::string_view reste = ligne.substr(texte);
        if (section == "layout" && reste == description) {
            return std::string(court);
        }
        if (section == "variant") {
            const std::size_t deux = reste.find(": ");
            if (deux != std::string_view::npos && reste.substr(deux + 2) == description) {
                return std::string(reste.substr(0, deux)) + "(" + std::string(court) + ")";
            }
        }
    }
    return description;
}

DispositionXkb::DispositionXkb(xkb_keymap* carte, std::uint32_t groupe) {
    if (carte == nullptr) {
        return;
    }
    if (groupe >= xkb_keymap_num_layouts(carte)) {
        groupe = 0;
    }
    // The keymap a desktop sends names its layouts by their descriptions only.
    if (const char* n = xkb_keymap_layout_get_name(carte, groupe); n != nullptr) {
        nom_ = NomCourtDisposition(n, ListeXkb());
    }

    // Each combination of Shift and AltGr held, from the fewest: a keysym's first place
    // found is kept. The state is that of the keys held alone (no lock on).
    const xkb_keycode_t codeMaj = CodeDe(carte, groupe, XKB_KEY_Shift_L);
    const xkb_keycode_t codeAltGr = CodeDe(carte, groupe, XKB_KEY_ISO_Level3_Shift);
    for (int combinaison = 0; combinaison < 4; ++combinaison) {
        const bool maj = (combinaison & 1) != 0;
        const bool altGr = (combinaison & 2) != 0;
        if ((maj && codeMaj == 0) || (altGr && codeAltGr == 0)) {
            continue;
        }
        xkb_state* etat = xkb_state_new(carte);
        xkb_state_update_mask(etat, 0, 0, 0, 0, 0, groupe);
        if (maj) {
            xkb_state_update_key(etat, codeMaj, XKB_KEY_DOWN);
        }
        if (altGr) {
            xkb_state_update_key(etat, codeAltGr, XKB_KEY_DOWN);
        }
        for (xkb_keycode_t k = xkb_keymap_min_keycode(carte); k <= xkb_keymap_max_keycode(carte);
             ++k) {
            const xkb_keysym_t ks = xkb_state_key_get_one_sym(etat, k);
            if (ks != XKB_KEY_NoSymbol && k >= 8) {
                acces_.try_emplace(ks, Acces{k, maj, altGr});
            }
        }
        xkb_state_unref(etat);
    }
    // The keypad's digits, which the engine types with Num Lock on.
    const xkb_mod_index_t numerique = xkb_keymap_mod_get_index(carte, XKB_MOD_NAME_NUM);
    if (numerique != XKB_MOD_INVALID) {
        xkb_state* etat = xkb_state_new(carte);
        xkb_state_update_mask(etat, 0, 0, 1U << numerique, 0, 0, groupe);
        for (xkb_keycode_t k = xkb_keymap_min_keycode(carte); k <= xkb_keymap_max_keycode(carte);
             ++k) {
            const xkb_keysym_t ks = xkb_state_key_get_one_sym(etat, k);
            if (ks >= XKB_KEY_KP_0 && ks <= XKB_KEY_KP_9) {
                acces_.try_emplace(ks, Acces{k, false, false});
            }
        }
        xkb_state_unref(etat);
    }
}

std::optional<DispositionXkb::Acces> DispositionXkb::Cherche(Keysym ks) const {
    const auto it = acces_.find(ks);
    if (it == acces_.end()) {
        return std::nullopt;
    }
    return it->second;
}

Keysym DispositionXkb::KeysymDe(const Touche& t) {
    return t.genre == Touche::Genre::Caractere ? KeysymCaractere(t.caractere) : KeysymNomme(t.code);
}

std::vector<Touche> DispositionXkb::Intapables(std::span<const Touche> touches) const {
    return ToucheManquantes(touches, [this](const Touche& t) {
        const Keysym ks = KeysymDe(t);
        return ks == kKeysymAucun || !acces_.contains(ks);
    });
}

} // namespace kovra
