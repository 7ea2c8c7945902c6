#include "keyboard/wayland/ClavierKwin.h"

#include "base/ErreurKovra.h"

#include "fake-input-client-protocol.h"

#include <QString>

#include <wayland-client.h>

namespace kovra {

namespace {

// Version 4 brought keyboard_key.
constexpr std::uint32_t kVersionClavier = 4;

} // namespace

ClavierKwin::ClavierKwin(std::unique_ptr<ConnexionWayland> connexion)
    : ClavierDisposition(std::move(connexion), std::chrono::milliseconds(0), kReglage) {
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
}

bool ClavierKwin::Rompue() const {
    return Connexion().Rompue();
}

void ClavierKwin::Expedie() {
    Connexion().DemandeSynchro();
}

bool ClavierKwin::Synchronise() {
    return Connexion().Synchronise();
}

} // namespace kovra
