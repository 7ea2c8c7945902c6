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
    : ClavierDisposition(std::move(connexion), std::chrono::milliseconds(0)) {
    const ConnexionWayland::Globale* g =
        Connexion().Cherche(org_kde_kwin_fake_input_interface.name);
    if (g == nullptr || g->version < kVersionClavier) {
        throw ErreurKovra(QStringLiteral("KWin ne permet pas à Kovra de taper (fake input)."));
    }
    if (Connexion().Carte() == nullptr) {
        throw ErreurKovra(QStringLiteral("KWin n'a pas donné la disposition du clavier."));
    }
    faux_ = static_cast<org_kde_kwin_fake_input*>(
        Connexion().Lie(*g, &org_kde_kwin_fake_input_interface, kVersionClavier));
    org_kde_kwin_fake_input_authenticate(faux_, "Kovra",
                                         "Taper les données lues sur les terminaux");
    Connexion().DemandeSynchro();
}

ClavierKwin::~ClavierKwin() {
    // The last keys are handled before the connection goes.
    Connexion().AttendSynchro(kAttenteFin);
    if (faux_ != nullptr) {
        org_kde_kwin_fake_input_destroy(faux_);
        Connexion().Vide();
    }
}

void ClavierKwin::Cle(std::uint32_t code, bool enfoncee) {
    org_kde_kwin_fake_input_keyboard_key(faux_, code - 8, enfoncee ? 1 : 0);
    Compte(1);
}

bool ClavierKwin::Presse(const Touche& touche) {
    const auto acces = Disposition_().Cherche(DispositionXkb::KeysymDe(touche));
    if (!acces || Connexion().Rompue()) {
        return false;
    }
    Appui appui{touche, {}};
    if (touche.genre == Touche::Genre::Caractere) {
        // The level's modifiers, held around the key only.
        const auto maj = Disposition_().Cherche(kKeysymMaj);
        const auto altGr = Disposition_().Cherche(kKeysymAltGr);
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
    if (!Connexion().Rompue()) {
        for (auto c = it->codes.rbegin(); c != it->codes.rend(); ++c) {
            Cle(*c, false);
        }
    }
    appuis_.erase(it);
}

void ClavierKwin::Expedie() {
    Connexion().DemandeSynchro();
}

bool ClavierKwin::Synchronise() {
    return Connexion().Synchronise();
}

} // namespace kovra
