#include "keyboard/wayland/DispositionXkb.h"

#include <algorithm>
#include <array>
#include <cstdlib>
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

// The name of the keymap's symbols, as its text writes it: xkb_symbols "NAME".
std::string NomSymboles(xkb_keymap* carte) {
    std::unique_ptr<char, decltype(&std::free)> texte(
        xkb_keymap_get_as_string(carte, XKB_KEYMAP_FORMAT_TEXT_V1), &std::free);
    if (!texte) {
        return {};
    }
    const std::string_view t(texte.get());
    const auto debut = t.find("xkb_symbols \"");
    if (debut == std::string_view::npos) {
        return {};
    }
    const auto nom = debut + 13;
    const auto fin = t.find('"', nom);
    return fin == std::string_view::npos ? std::string() : std::string(t.substr(nom, fin - nom));
}

} // namespace

std::vector<std::string> NomsDispositions(const std::string& nomSymboles) {
    // The parts that are no layout: the model's keys and the options' additions.
    constexpr std::array<std::string_view, 8> kAutres{"pc",     "inet",  "group",  "compose",
                                                      "keypad", "level", "altwin", "ctrl"};
    std::vector<std::string> noms;
    std::size_t i = 0;
    while (i <= nomSymboles.size()) {
        const auto fin = std::min(nomSymboles.find('+', i), nomSymboles.size());
        std::string partie = nomSymboles.substr(i, fin - i);
        i = fin + 1;
        std::size_t groupe = noms.size() + 1;
        if (const auto deux = partie.find(':'); deux != std::string::npos) {
            groupe = static_cast<std::size_t>(std::atoi(partie.c_str() + deux + 1));
            partie.erase(deux);
        }
        const std::string base = partie.substr(0, partie.find('('));
        if (base.empty() || std::find(kAutres.begin(), kAutres.end(), base) != kAutres.end() ||
            base.find('_') != std::string::npos || groupe == 0 || groupe > 4) {
            continue;
        }
        if (noms.size() < groupe) {
            noms.resize(groupe);
        }
        noms[groupe - 1] = partie;
    }
    std::erase(noms, std::string());
    return noms;
}

DispositionXkb::DispositionXkb(xkb_keymap* carte, std::uint32_t groupe) {
    if (carte == nullptr) {
        return;
    }
    if (groupe >= xkb_keymap_num_layouts(carte)) {
        groupe = 0;
    }
    const std::vector<std::string> noms = NomsDispositions(NomSymboles(carte));
    if (groupe < noms.size()) {
        nom_ = noms[groupe];
    } else if (const char* n = xkb_keymap_layout_get_name(carte, groupe); n != nullptr) {
        nom_ = n;
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
    std::vector<Touche> manquantes;
    for (const Touche& t : touches) {
        const Keysym ks = KeysymDe(t);
        if ((ks == kKeysymAucun || !acces_.contains(ks)) &&
            std::find(manquantes.begin(), manquantes.end(), t) == manquantes.end()) {
            manquantes.push_back(t);
        }
    }
    return manquantes;
}

} // namespace kovra
