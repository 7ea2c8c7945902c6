#include "keyboard/wayland/ClavierDisposition.h"

#include <algorithm>

namespace kovra {

void ClavierDisposition::Evenement(std::uint32_t code, bool enfoncee) {
    Cle(code, enfoncee);
    Compte(1);
}

bool ClavierDisposition::Presse(const Touche& touche) {
    const DispositionXkb& d = Disposition_();
    const auto acces = d.Cherche(DispositionXkb::KeysymDe(touche));
    if (!acces || Rompue()) {
        return false;
    }
    const auto maj = d.Cherche(kKeysymMaj);
    const auto altGr = d.Cherche(kKeysymAltGr);
    Appui appui{touche, {}};
    if (touche.genre == Touche::Genre::Caractere) {
        if (acces->maj && maj) {
            appui.codes.push_back(maj->code);
        }
        if (acces->altGr && altGr) {
            appui.codes.push_back(altGr->code);
        }
    }
    appui.codes.push_back(acces->code);
    for (const std::uint32_t code : appui.codes) {
        Evenement(code, true);
    }
    appuis_.push_back(std::move(appui));
    return true;
}

void ClavierDisposition::Lache(const Touche& touche) {
    const auto it = std::find_if(appuis_.begin(), appuis_.end(),
                                 [&touche](const Appui& a) { return a.touche == touche; });
    if (it == appuis_.end()) {
        return;
    }
    if (!Rompue()) {
        for (auto c = it->codes.rbegin(); c != it->codes.rend(); ++c) {
            Evenement(*c, false);
        }
    }
    appuis_.erase(it);
}

} // namespace kovra
