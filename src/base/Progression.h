#pragma once

#include <QString>

namespace kovra {

// Where long work reports how far it is: a caption and a value from 0 to 100. The
// progress window shows it; other callers may ignore it.
class Progression {
public:
    virtual ~Progression() = default;
    virtual void Libelle(const QString& texte) = 0;
    virtual void Valeur(int pourcent) = 0;
    // The work is over (a progress window goes away).
    virtual void Termine() {}
};

class ProgressionMuette : public Progression {
public:
    void Libelle(const QString&) override {}
    void Valeur(int) override {}
};

// Passes a value on only when it changes, so that a loop may report at every step.
class SuiviProgression {
public:
    explicit SuiviProgression(Progression& p) : progression_(p) {}
    void Valeur(int pourcent) {
        if (pourcent != derniere_) {
            derniere_ = pourcent;
            progression_.Valeur(pourcent);
        }
    }
    void Libelle(const QString& texte) { progression_.Libelle(texte); }
    void Termine() { progression_.Termine(); }

private:
    Progression& progression_;
    int derniere_ = -1;
};

} // namespace kovra
