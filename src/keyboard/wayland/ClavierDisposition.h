#pragma once

#include "keyboard/wayland/ClavierCadence.h"
#include "keyboard/wayland/ConnexionWayland.h"
#include "keyboard/wayland/DispositionXkb.h"

#include <memory>
#include <optional>

namespace kovra {

// A Wayland keyboard that types through the user's layout (KDE, GNOME): the layout is the
// keymap the desktop sends Kovra's own connection, read again when it changes, and a text
// is checked whole against it before its first key. These desktops tell the lock keys only
// to the program whose window has the focus: they are taken as off.
class ClavierDisposition : public ClavierCadence {
public:
    bool VerrouActif(Verrou) const override { return false; }
    void DebutFrappe(std::u32string_view) override { connexion_->Lit(); }
    std::vector<Touche> Intapables(std::span<const Touche> touches) const override {
        connexion_->Lit();
        return Disposition_().Intapables(touches);
    }
    std::string Disposition() const override { return Disposition_().Nom(); }

protected:
    ClavierDisposition(std::unique_ptr<ConnexionWayland> connexion,
                       std::chrono::milliseconds miseEnPlace)
        : ClavierCadence(miseEnPlace), connexion_(std::move(connexion)) {}

    // The layout as the desktop last sent it.
    const DispositionXkb& Disposition_() const {
        if (!disposition_ || carteLue_ != connexion_->Carte()) {
            carteLue_ = connexion_->Carte();
            disposition_.emplace(connexion_->Carte(), connexion_->Groupe());
        }
        return *disposition_;
    }
    ConnexionWayland& Connexion() const { return *connexion_; }

private:
    std::unique_ptr<ConnexionWayland> connexion_;
    mutable std::optional<DispositionXkb> disposition_;
    mutable const void* carteLue_ = nullptr;
};

} // namespace kovra
