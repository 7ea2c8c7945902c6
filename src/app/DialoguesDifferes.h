#pragma once

#include "dialogues/Dialogues.h"

#include <deque>
#include <functional>

namespace kovra {

// The front end's dialogues, with the notices of background work held back while
// `retenir` says so (a frame is being typed: a box appearing then would take the
// keystrokes) and shown, in order, by Libere(). Everything else goes straight through.
class DialoguesDifferes : public Dialogues {
public:
    DialoguesDifferes(Dialogues& cible, std::function<bool()> retenir)
        : cible_(cible), retenir_(std::move(retenir)) {}

    using Dialogues::Avis;
    using Dialogues::Message;
    void Message(const QString& texte, Icone icone, const QString& titre) override {
        cible_.Message(texte, icone, titre);
    }
    void Avis(const QString& texte, Icone icone, const QString& titre) override;
    // Once the notices held back are shown, waits for them to be closed too.
    void ApresAvis(std::function<void()> puis) override;
    bool Question(const QString& texte, Icone icone, const QString& titre) override {
        return cible_.Question(texte, icone, titre);
    }
    std::optional<QString> Saisie(const QString& invite, const QString& titre,
                                  const QString& defaut) override {
        return cible_.Saisie(invite, titre, defaut);
    }
    std::optional<QString> ChoixFichier(const QString& titre, const QString& dossier,
                                        const QString& filtre, bool enregistrer) override {
        return cible_.ChoixFichier(titre, dossier, filtre, enregistrer);
    }
    void Bip() override { cible_.Bip(); }

    // Shows the notices held back, unless they must still wait.
    void Libere();

private:
    struct AvisRetenu {
        QString texte;
        Icone icone;
        QString titre;
    };
    Dialogues& cible_;
    std::function<bool()> retenir_;
    std::deque<AvisRetenu> retenus_;
    std::deque<std::function<void()>> apresAvis_; // waiting for the notices held back
};

} // namespace kovra
