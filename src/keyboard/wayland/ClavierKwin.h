#pragma once

#include "keyboard/wayland/ClavierDisposition.h"

#include <memory>

struct org_kde_kwin_fake_input;

namespace kovra {

// Typing on KDE Plasma through KWin's fake input (org_kde_kwin_fake_input), which presses
// keys of KWin's own keyboard: only what the user's current layout holds can be typed, so
// each character is looked up in the keymap KWin sends Kovra's own keyboard (read again
// when the layout changes), and a text is checked whole before its first key. KWin offers
// the interface only to programs its desktop entry allows (X-KDE-Wayland-Interfaces).
class ClavierKwin : public ClavierDisposition {
public:
    // Throws ErreurKovra when KWin does not offer fake input to this program, or sends no
    // keymap.
    explicit ClavierKwin(std::unique_ptr<ConnexionWayland> connexion);
    ~ClavierKwin() override;
    ClavierKwin(const ClavierKwin&) = delete;
    ClavierKwin& operator=(const ClavierKwin&) = delete;

    std::string Nom() const override { return "org_kde_kwin_fake_input (KDE Plasma)"; }

    // Batches of 16 events, 0.15 ms each: a GTK window answers each key with requests of its
    // own (the text around the cursor, for input methods), and a KWin busy with larger
    // batches let them pile up until GTK could send no more and lost its connection.
    static constexpr ReglageCadence kReglage{16, std::chrono::microseconds(150)};

protected:
    void Cle(std::uint32_t code, bool enfoncee) override;
    bool Rompue() const override;
    void Expedie() override;
    bool Synchronise() override;

private:
    org_kde_kwin_fake_input* faux_ = nullptr;
};

} // namespace kovra
