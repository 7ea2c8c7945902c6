#include "keyboard/wayland/CarteKovra.h"

#include "keyboard/TouchesNommees.h"

#include <algorithm>
#include <array>
#include <xkbcommon/xkbcommon.h>

namespace kovra {

namespace {

constexpr std::uint32_t kPremierCode = 9;
constexpr std::uint32_t kDernierCode = 255;

std::string NomKeysym(Keysym ks) {
    std::array<char, 64> nom{};
    if (xkb_keysym_get_name(ks, nom.data(), nom.size()) <= 0) {
        return "NoSymbol";
    }
    return nom.data();
}

std::string NomCode(std::uint32_t code) {
    return "<I" + std::to_string(code) + ">";
}

bool Ascii(char32_t c) {
    return c >= 0x20 && c < 0x7f;
}

// A character the keymap puts on a key of its own (line ends and tabs are the named keys').
bool AUneTouche(char32_t c) {
    return c >= 0x20 && KeysymCaractere(c) != kKeysymAucun;
}

} // namespace

const std::vector<CarteKovra::Fixe>& CarteKovra::Fixes() {
    static const std::vector<Fixe> fixes = [] {
        std::vector<Fixe> f{{kKeysymMaj, "Shift"},
                            {kKeysymCtrl, "Control"},
                            {kKeysymAlt, "Mod1"},
                            {kKeysymVerrMaj, "Lock"},
                            {kKeysymVerrNum, "Mod2"}};
        for (const ToucheNommee& t : TouchesNommees()) {
            const Keysym ks = KeysymNomme(t.code);
            if (ks != kKeysymAucun &&
                std::none_of(f.begin(), f.end(), [ks](const Fixe& x) { return x.ks == ks; })) {
                f.push_back({ks, nullptr});
            }
        }
        return f;
    }();
    return fixes;
}

std::size_t CarteKovra::Capacite() {
    return kDernierCode - kPremierCode + 1 - Fixes().size();
}

CarteKovra::CarteKovra() {
    std::u32string ascii;
    for (char32_t c = 0x20; c < 0x7f; ++c) {
        ascii += c;
    }
    Ajoute(ascii);
}

std::uint32_t CarteKovra::PremierLibre() const {
    for (auto code = static_cast<std::uint32_t>(kPremierCode + Fixes().size());
         code <= kDernierCode; ++code) {
        if (!codes_.contains(code)) {
            return code;
        }
    }
    return 0;
}

bool CarteKovra::Ajoute(std::u32string_view texte) {
    std::vector<char32_t> manquants;
    for (const char32_t c : texte) {
        if (AUneTouche(c) && !caracteres_.contains(c) &&
            std::find(manquants.begin(), manquants.end(), c) == manquants.end()) {
            manquants.push_back(c);
        }
    }
    if (manquants.empty()) {
        return false;
    }
    // Room is made by the characters the text does not use: others than ASCII first.
    for (const bool ascii : {false, true}) {
        for (auto it = caracteres_.begin();
             it != caracteres_.end() && caracteres_.size() + manquants.size() > Capacite();) {
            if (Ascii(it->first) == ascii && texte.find(it->first) == std::u32string_view::npos) {
                codes_.erase(it->second);
                it = caracteres_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const char32_t c : manquants) {
        const std::uint32_t code = PremierLibre();
        if (code == 0) {
            break;
        }
        caracteres_[c] = code;
        codes_[code] = c;
    }
    return true;
}

std::optional<std::uint32_t> CarteKovra::Code(const Touche& t) const {
    Keysym ks = kKeysymAucun;
    if (t.genre != Touche::Genre::Caractere) {
        ks = KeysymNomme(t.code);
    } else if (AUneTouche(t.caractere)) {
        if (const auto it = caracteres_.find(t.caractere); it != caracteres_.end()) {
            return it->second;
        }
        return std::nullopt;
    } else {
        ks = KeysymCaractere(t.caractere); // Tab, Return
    }
    const auto& f = Fixes();
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (ks != kKeysymAucun && f[i].ks == ks) {
            return static_cast<std::uint32_t>(kPremierCode + i);
        }
    }
    return std::nullopt;
}

std::string CarteKovra::Texte() const {
    std::string cles = "xkb_keycodes \"kovra\" {\n minimum = 8;\n maximum = 255;\n";
    std::string symboles = "xkb_symbols \"kovra\" {\n";
    const auto& f = Fixes();
    for (std::size_t i = 0; i < f.size(); ++i) {
        const std::string nom = NomCode(static_cast<std::uint32_t>(kPremierCode + i));
        cles += " " + nom + " = " + std::to_string(kPremierCode + i) + ";\n";
        symboles += " key " + nom + " { [ " + NomKeysym(f[i].ks) + " ] };\n";
        if (f[i].modificateur != nullptr) {
            symboles += " modifier_map " + std::string(f[i].modificateur) + " { " + nom + " };\n";
        }
    }
    // In keycode order, so that the text is the same for the same keymap.
    std::vector<std::pair<std::uint32_t, char32_t>> tries(codes_.begin(), codes_.end());
    std::sort(tries.begin(), tries.end());
    for (const auto& [code, c] : tries) {
        const std::string nom = NomCode(code);
        const Keysym ks = KeysymCaractere(c);
        const Keysym capitale = xkb_keysym_to_upper(ks);
        cles += " " + nom + " = " + std::to_string(code) + ";\n";
        symboles += " key " + nom + " { [ " + NomKeysym(ks);
        if (capitale != ks) {
            symboles += ", " + NomKeysym(capitale);
        }
        symboles += " ] };\n";
    }
    return "xkb_keymap {\n" + cles + "};\n" +
           "xkb_types \"kovra\" { include \"complete\" };\n"
           "xkb_compat \"kovra\" { include \"complete\" };\n" +
           symboles + "};\n};\n";
}

} // namespace kovra
