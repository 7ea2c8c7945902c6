#include "keyboard/wayland/ClavierKwin.h"

#include "base/ErreurKovra.h"

#include "fake-input-client-protocol.h"

#include <QString>

#include <algorithm>
#include <wayland-client.h>

namespace kovra {

namespace {

// Version 4 brought keyboard_key.
constexpr std::uint32_t kVersionClavier = 4;

} // namespace

ClavierKwin::ClavierKwin(std::unique_ptr<ConnexionWayland> connexion)
    : ClavierCadence(std::chrono::milliseconds(0)), connexion_(std::move(connexion)) {
    const ConnexionWayland::Globale* g =
        connexion_->Cherche(org_kde_kwin_fake_input_interface.name);
    if (g == nullptr || g->version < kVersionClavier) {
        throw ErreurKovra(QStringLiteral("KWin ne permet pas à Kovra de taper (fake input)."));
    }
    if (connexion_->Carte() == nullptr) {
        throw ErreurKovra(QStringLiteral("KWin n'a pas donné la disposition du clavier."));
    }
    faux_ = static_cast<org_kde_kwin_fake_input*>(
        connexion_->Lie(*g, &org_kde_kwin_fake_input_interface, kVersionClavier));
    org_kde_kwin_fake_input_authenticate(faux_, "Kovra",
                                         "Taper les données lues sur les terminaux");
    connexion_->DemandeSynchro();
}

ClavierKwin::~ClavierKwin() {
    // The last keys are handled before the connection goes.
    connexion_->AttendSynchro(kAttenteFin);
    if (faux_ != nullptr) {
        org_kde_kwin_fake_input_destroy(faux_);
        connexion_->Vide();
    }
}

const DispositionXkb& ClavierKwin::Lit() const {
    if (!disposition_ || carteLue_ != connexion_->Carte()) {
        carteLue_ = connexion_->Carte();
        disposition_.emplace(connexion_->Carte(), connexion_->Groupe());
    }
    return *disposition_;
}

void ClavierKwin::DebutFrappe(std::u32string_view) {
    connexion_->Lit();
}

std::vector<Touche> ClavierKwin::Intapables(std::span<const Touche> touches) const {
    connexion_->Lit();
    return Lit().Intapables(touches);
}

std::string ClavierKwin::Disposition() const {
    return Lit().Nom();
}

void ClavierKwin::Cle(std::uint32_t code, bool enfoncee) {
    org_kde_kwin_fake_input_keyboard_key(faux_, code - 8, enfoncee ? 1 : 0);
    Compte(1);
}

bool ClavierKwin::Presse(const Touche& touche) {
    const auto acces = Lit().Cherche(DispositionXkb::KeysymDe(touche));
    if (!acces || connexion_->Rompue()) {
        return false;
    }
    Appui appui{touche, {}};
    if (touche.genre == Touche::Genre::Caractere) {
        // The level's modifiers, held around the key only.
        const auto maj = Lit().Cherche(kKeysymMaj);
        const auto altGr = Lit().Cherche(kKeysymAltGr);
        if (acces->maj && maj) {
            appui.codes.push_back(maj->code);
        }
        if (acces->altGr && altGr) {
            appui.codes.push_back(altGr->code);
        }
    }
    appui.codes.push_back(acces->code);
    for (const std::uint32_t code : appui.codes) {
        Cle(code, true);
    }
    appuis_.push_back(std::move(appui));
    return true;
}

void ClavierKwin::Lache(const Touche& touche) {
    const auto it = std::find_if(appuis_.begin(), appuis_.end(),
                                 [&touche](const Appui& a) { return a.touche == touche; });
    if (it == appuis_.end()) {
        return;
    }
    if (!connexion_->Rompue()) {
        for (auto c = it->codes.rbegin(); c != it->codes.rend(); ++c) {
            Cle(*c, false);
        }
    }
    appuis_.erase(it);
}

void ClavierKwin::Expedie() {
    connexion_->DemandeSynchro();
}

bool ClavierKwin::Synchronise() {
    return connexion_->Synchronise();
}

} // namespace kovra
