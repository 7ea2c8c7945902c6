#pragma once

#include "keyboard/wayland/ClavierCadence.h"
#include "keyboard/wayland/ConnexionWayland.h"
#include "keyboard/wayland/DispositionXkb.h"

#include <memory>
#include <optional>

struct org_kde_kwin_fake_input;

namespace kovra {

// Typing on KDE Plasma through KWin's fake input (org_kde_kwin_fake_input), which presses
// keys of KWin's own keyboard: only what the user's current layout holds can be typed, so
// each character is looked up in the keymap KWin sends Kovra's own keyboard (read again
// when the layout changes), and a text is checked whole before its first key. KWin offers
// the interface only to programs its desktop entry allows (X-KDE-Wayland-Interfaces).
class ClavierKwin : public ClavierCadence {
public:
    // Throws ErreurKovra when KWin does not offer fake input to this program, or sends no
    // keymap.
    explicit ClavierKwin(std::unique_ptr<ConnexionWayland> connexion);
    ~ClavierKwin() override;
    ClavierKwin(const ClavierKwin&) = delete;
    ClavierKwin& operator=(const ClavierKwin&) = delete;

    // KWin tells the lock keys only to the program whose window has the focus.
    bool VerrouActif(Verrou) const override { return false; }
    void DebutFrappe(std::u32string_view caracteres) override;
    std::vector<Touche> Intapables(std::span<const Touche> touches) const override;
    std::string Disposition() const override;
    std::string Nom() const override { return "org_kde_kwin_fake_input (KDE Plasma)"; }

protected:
    bool Presse(const Touche& touche) override;
    void Lache(const Touche& touche) override;
    void Expedie() override;
    bool Synchronise() override;

private:
    const DispositionXkb& Lit() const;
    void Cle(std::uint32_t code, bool enfoncee);

    std::unique_ptr<ConnexionWayland> connexion_;
    org_kde_kwin_fake_input* faux_ = nullptr;
    mutable std::optional<DispositionXkb> disposition_;
    mutable const void* carteLue_ = nullptr;
    // The keys each pressed character took (Shift and AltGr added for its level), for its
    // release; by the character.
    struct Appui {
        Touche touche;
        std::vector<std::uint32_t> codes;
    };
    std::vector<Appui> appuis_;
};

} // namespace kovra
