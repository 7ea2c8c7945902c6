#include "keyboard/TouchesLibres.h"

#include <algorithm>
#include <limits>

namespace kovra {

void TouchesLibres::Libres(std::vector<int> codes) {
    libres_ = std::set<int>(codes.begin(), codes.end());
}

void TouchesLibres::Oublie(char32_t c, int code, int niveau) {
    const auto it = liees_.find(c);
    if (it != liees_.end() && it->second == std::pair(code, niveau)) {
        liees_.erase(it);
    }
}

void TouchesLibres::Actualise(int code, std::span<const Niveau> niveaux,
                              Horloge::time_point quand) {
    libres_.erase(code);
    std::vector<Emplacement>& touche = touches_[code];
    for (std::size_t n = niveaux.size(); n < touche.size(); ++n) {
        if (touche[n].caractere != 0) {
            Oublie(touche[n].caractere, code, static_cast<int>(n));
        }
    }
    touche.resize(niveaux.size());
    for (std::size_t n = 0; n < niveaux.size(); ++n) {
        Emplacement& e = touche[n];
        const Niveau& lu = niveaux[n];
        e.acces = lu.acces;
        if (lu.symbole == e.symbole && lu.caractere == e.caractere) {
            continue;
        }
        if (e.caractere != 0) {
            Oublie(e.caractere, code, static_cast<int>(n));
        }
        e.symbole = lu.symbole;
        e.caractere = lu.caractere;
        e.usage = quand;
        if (e.caractere != 0) {
            // A character found on two keys keeps the place it had.
            liees_.try_emplace(e.caractere, code, static_cast<int>(n));
        }
    }
}

void TouchesLibres::Abandonne(int code) {
    const auto it = touches_.find(code);
    if (it == touches_.end()) {
        return;
    }
    for (std::size_t n = 0; n < it->second.size(); ++n) {
        Oublie(it->second[n].caractere, code, static_cast<int>(n));
    }
    touches_.erase(it);
}

void TouchesLibres::Vide() {
    touches_.clear();
    liees_.clear();
}

std::optional<TouchesLibres::Place> TouchesLibres::PlaceDe(char32_t c) const {
    const auto it = liees_.find(c);
    if (it == liees_.end()) {
        return std::nullopt;
    }
    const auto [code, niveau] = it->second;
    return Place{code, niveau, touches_.at(code)[static_cast<std::size_t>(niveau)].acces};
}

std::optional<TouchesLibres::Place> TouchesLibres::Reprend(char32_t c,
                                                           Horloge::time_point maintenant) {
    const auto it = liees_.find(c);
    if (it == liees_.end()) {
        return std::nullopt;
    }
    const auto [code, niveau] = it->second;
    Emplacement& e = touches_.at(code)[static_cast<std::size_t>(niveau)];
    if (!e.acces) {
        liees_.erase(it);
        return std::nullopt;
    }
    e.usage = maintenant;
    return Place{code, niveau, e.acces};
}

std::optional<TouchesLibres::Choix> TouchesLibres::Choisit(Horloge::time_point maintenant) const {
    // A free level of a spare key, the fewer modifiers the better, or a free keycode (as
    // good as a level without modifiers): neither changes what any key typed so far means.
    std::optional<Choix> libre;
    int poids = std::numeric_limits<int>::max();
    for (const auto& [code, niveaux] : touches_) {
        for (std::size_t n = 0; n < niveaux.size(); ++n) {
            const Emplacement& e = niveaux[n];
            if (e.acces && e.symbole == 0 && e.acces->Poids() < poids) {
                libre = Choix{code, static_cast<int>(n), false, 0};
                poids = e.acces->Poids();
            }
        }
    }
    if (libre && poids == 0) {
        return libre;
    }
    // The highest free keycode first.
    for (auto it = libres_.rbegin(); it != libres_.rend(); ++it) {
        if (!Reservee(*it)) {
            return Choix{*it, 0, true, 0};
        }
    }
    if (libre) {
        return libre;
    }
    // Every place is taken: the character typed longest ago, not held down, gives its
    // place up once an application has surely read it.
    std::optional<Choix> ancienne;
    Horloge::time_point usage = Horloge::time_point::max();
    for (const auto& [code, niveaux] : touches_) {
        for (std::size_t n = 0; n < niveaux.size(); ++n) {
            const Emplacement& e = niveaux[n];
            if (e.acces && e.caractere != 0 && e.usage < usage && !tenus_.contains(e.caractere)) {
                ancienne = Choix{code, static_cast<int>(n), false, 0};
                usage = e.usage;
            }
        }
    }
    if (ancienne) {
        using namespace std::chrono;
        const auto reste = ceil<milliseconds>(milliseconds(kSurete) - (maintenant - usage));
        ancienne->attente = static_cast<int>(std::max<milliseconds::rep>(reste.count(), 0));
    }
    return ancienne;
}

std::optional<std::size_t>
TouchesLibres::ProchaineALier(std::u32string_view caracteres, std::size_t debut,
                              const std::function<bool(char32_t)>& dansDisposition,
                              Horloge::time_point maintenant) const {
    for (std::size_t i = debut; i < caracteres.size(); ++i) {
        const char32_t c = caracteres[i];
        if (dansDisposition(c) || Liee(c)) {
            continue;
        }
        const auto choix = Choisit(maintenant);
        if (!choix || choix->attente > 0) {
            return std::nullopt;
        }
        return i;
    }
    return std::nullopt;
}

std::vector<int> TouchesLibres::Codes() const {
    std::vector<int> codes;
    codes.reserve(touches_.size());
    for (const auto& [code, niveaux] : touches_) {
        codes.push_back(code);
    }
    return codes;
}

std::vector<std::uint32_t> TouchesLibres::Symboles(int code) const {
    std::vector<std::uint32_t> symboles;
    if (const auto it = touches_.find(code); it != touches_.end()) {
        for (const Emplacement& e : it->second) {
            symboles.push_back(e.symbole);
        }
    }
    return symboles;
}

std::optional<TouchesLibres::Modificateurs> TouchesLibres::Acces(int code, int niveau) const {
    const auto it = touches_.find(code);
    if (it == touches_.end() || niveau < 0 || niveau >= static_cast<int>(it->second.size())) {
        return std::nullopt;
    }
    return it->second[static_cast<std::size_t>(niveau)].acces;
}

} // namespace kovra
