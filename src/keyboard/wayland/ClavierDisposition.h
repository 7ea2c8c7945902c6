#pragma once

#include "keyboard/wayland/ClavierCadence.h"
#include "keyboard/wayland/ConnexionWayland.h"
#include "keyboard/wayland/DispositionXkb.h"

#include <memory>
#include <optional>
#include <vector>

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
                       std::chrono::milliseconds miseEnPlace, Cadence::Reglage reglage = {})
        : ClavierCadence(miseEnPlace, reglage), connexion_(std::move(connexion)) {}

    // The layout as the desktop last sent it.
    const DispositionXkb& Disposition_() const {
        if (!disposition_ || carteLue_ != connexion_->Carte()) {
            carteLue_ = connexion_->Carte();
            disposition_.emplace(connexion_->Carte(), connexion_->Groupe());
        }
        return *disposition_;
    }
    ConnexionWayland& Connexion() const { return *connexion_; }

    // A key's press or release on the desktop's keyboard, by its XKB keycode.
    virtual void Cle(std::uint32_t code, bool enfoncee) = 0;
    // Whether the desktop ended the connection or the session.
    virtual bool Rompue() const = 0;
    // Each key is pressed by its place in the layout, with Shift and AltGr as its level
    // needs, held around it only.
    bool Presse(const Touche& touche) override;
    void Lache(const Touche& touche) override;

private:
    // The keys a pressed key took, for its release.
    struct Appui {
        Touche touche;
        std::vector<std::uint32_t> codes;
    };
    // Sends one key event and counts it in the batch.
    void Evenement(std::uint32_t code, bool enfoncee);

    std::vector<Appui> appuis_;
    std::unique_ptr<ConnexionWayland> connexion_;
    mutable std::optional<DispositionXkb> disposition_;
    mutable const void* carteLue_ = nullptr;
};

} // namespace kovra
