#include "keyboard/ClavierEnregistreur.h"

#include <algorithm>

#include "keyboard/EnvoiTouches.h"

namespace kovra {

namespace {

int IndexVerrou(std::uint8_t code) {
    switch (code) {
    case kCodeVerrMaj:
        return 0;
    case kCodeVerrNum:
        return 1;
    case kCodeVerrDefil:
        return 2;
    default:
        return -1;
    }
}

} // namespace

ClavierEnregistreur::ClavierEnregistreur(bool majuscules, bool numerique, bool defilement,
                                         bool codesAlt)
    : verrous_{majuscules, numerique, defilement}, codesAlt_(codesAlt) {}

std::string ClavierEnregistreur::Nom(const Touche& touche) {
    if (touche.genre != Touche::Genre::Caractere) {
        return touche.nom;
    }
    return "\"" + EnUtf8(std::u32string_view(&touche.caractere, 1)) + "\"";
}

std::vector<Touche> ClavierEnregistreur::Intapables(std::span<const Touche> touches) const {
    return ToucheManquantes(touches, [this](const Touche& t) {
        return limitee_ && t.genre == Touche::Genre::Caractere &&
               limite_.find(t.caractere) == std::u32string::npos;
    });
}

bool ClavierEnregistreur::Enfonce(const Touche& touche) {
    if (!Intapables({&touche, 1}).empty()) {
        return false;
    }
    evenements_.push_back("down " + Nom(touche));
    if (touche.genre == Touche::Genre::Nommee) {
        if (const int i = IndexVerrou(touche.code); i >= 0) {
            verrous_[i] = !verrous_[i];
        }
    } else if (touche.genre == Touche::Genre::Caractere) {
        caracteres_ += touche.caractere;
    }
    return true;
}

void ClavierEnregistreur::Relache(const Touche& touche) {
    evenements_.push_back("up " + Nom(touche));
}

bool ClavierEnregistreur::VerrouActif(Verrou verrou) const {
    return verrous_[static_cast<int>(verrou)];
}

void ClavierEnregistreur::NotePause(int millisecondes) {
    evenements_.push_back("wait " + std::to_string(millisecondes));
}

std::string ClavierEnregistreur::EtatVerrous() const {
    const auto etat = [](bool b) {
        return b ? "on" : "off";
    };
    return std::string("locks caps=") + etat(verrous_[0]) + " num=" + etat(verrous_[1]) +
           " scroll=" + etat(verrous_[2]);
}

} // namespace kovra
