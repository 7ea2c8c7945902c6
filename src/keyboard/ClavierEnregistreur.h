#pragma once

#include "keyboard/ClavierVirtuel.h"

#include <string>
#include <vector>

namespace kovra {

// A keyboard that types nothing: it records every key pressed and released, as
// `down NAME` / `up NAME` lines (NAME a modifier, a key name, or a character between
// double quotes, in UTF-8), and keeps the three locks as a real keyboard would: pressing
// CAPSLOCK, NUMLOCK or SCROLLLOCK toggles its lock.
class ClavierEnregistreur : public ClavierVirtuel {
public:
    ClavierEnregistreur(bool majuscules = false, bool numerique = false, bool defilement = false,
                        bool codesAlt = false);

    bool Enfonce(const Touche& touche) override;
    void Relache(const Touche& touche) override;
    bool VerrouActif(Verrou verrou) const override;
    bool CodesAlt() const override { return codesAlt_; }
    void NotePause(int millisecondes) override;

    // Makes it a keyboard of a layout that types only these characters (named keys all),
    // as the desktops that type through the user's layout are.
    void LimiteA(std::string disposition, std::u32string caracteres) {
        disposition_ = std::move(disposition);
        limite_ = std::move(caracteres);
        limitee_ = true;
    }
    std::vector<Touche> Intapables(std::span<const Touche> touches) const override;
    std::string Disposition() const override { return disposition_; }

    const std::vector<std::string>& Evenements() const { return evenements_; }
    // "locks caps=on num=off scroll=off"
    std::string EtatVerrous() const;
    // The characters typed, in order (what a text field would show when no modifier or
    // named key is involved).
    std::u32string Caracteres() const { return caracteres_; }

    static std::string Nom(const Touche& touche);

private:
    bool verrous_[3];
    bool codesAlt_;
    std::vector<std::string> evenements_;
    std::u32string caracteres_;
    std::string disposition_;
    std::u32string limite_;
    bool limitee_ = false;
};

} // namespace kovra
