#pragma once

#include "dialogues/Dialogues.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace kovra {

// Dialogues that show nothing: each one is recorded, and questions, inputs and file
// choices take the answers prepared in advance, in order. Used by tests and by programs
// that run without a screen.
class DialoguesScriptes : public Dialogues {
public:
    enum class Genre { Message, Avis, Question, Saisie, ChoixFichier };
    struct Trace {
        Genre genre;
        QString texte; // message, question or prompt; the title for a file choice
        Icone icone;
        QString titre;
        QString defaut;           // input box: the text offered
        QString dossier;          // file choice: the folder it opens on
        QString filtre;           // file choice: the file types offered
        bool enregistrer = false; // file choice: saving rather than opening
    };

    using Dialogues::Avis;
    using Dialogues::Message;
    void Message(const QString& texte, Icone icone, const QString& titre) override;
    void Avis(const QString& texte, Icone icone, const QString& titre) override;
    void ApresAvis(std::function<void()> puis) override;
    bool Question(const QString& texte, Icone icone, const QString& titre) override;
    std::optional<QString> Saisie(const QString& invite, const QString& titre,
                                  const QString& defaut) override;
    std::optional<QString> ChoixFichier(const QString& titre, const QString& dossier,
                                        const QString& filtre, bool enregistrer) override;
    void Bip() override { ++bips_; }
    int Bips() const { return bips_; }

    // Prepared answers. A question with nothing prepared is answered No, an input box or
    // file choice is cancelled, and the miss is counted.
    void PrepareOui(bool oui) { reponsesQuestion_.push_back(oui); }
    // Runs while each question is open, before it is answered: a user taking time to
    // answer, while the event loop goes on.
    void PendantQuestion(std::function<void()> pendant) { pendantQuestion_ = std::move(pendant); }
    void PrepareSaisie(const std::optional<QString>& reponse) {
        reponsesTexte_.push_back({!reponse.has_value(), reponse.value_or(QString())});
    }

    // Notices stay open until FermeAvis() when asked to (as a user who has not clicked OK
    // yet); otherwise each one counts as closed as soon as it is shown.
    void GardeAvisOuverts(bool garde) { gardeAvis_ = garde; }
    int AvisOuverts() const { return avisOuverts_; }
    // Closes every notice still open, then runs what waited for them.
    void FermeAvis();

    const std::vector<Trace>& Journal() const { return journal_; }
    // The texts of the messages and notices shown, in order.
    QStringList Messages() const;
    int ReponsesManquantes() const { return manquantes_; }

private:
    std::optional<QString> ReponseTexte();

    std::vector<Trace> journal_;
    std::deque<bool> reponsesQuestion_;
    struct ReponsePreparee {
        bool annulee;
        QString texte;
    };
    std::deque<ReponsePreparee> reponsesTexte_;
    int manquantes_ = 0;
    int bips_ = 0;
    bool gardeAvis_ = false;
    int avisOuverts_ = 0;
    std::vector<std::function<void()>> apresAvis_;
    std::function<void()> pendantQuestion_;
};

} // namespace kovra
