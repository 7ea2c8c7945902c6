#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace kovra {

// Caption of every message the program shows unless another is named.
inline const QString kTitreApplication = QStringLiteral("Kovra");
// The caption of the messages of the settings and tool windows.
inline const QString kTitreVelar = QStringLiteral("KOVRA Velar");

enum class Icone { Aucune, Information, Exclamation, Critique, Question };

// Every message box, question, input box and file choice of the program goes through
// this interface, so the texts a user sees can be checked and the answers scripted.
class Dialogues {
public:
    virtual ~Dialogues() = default;

    // A message with an OK button, for something the user just did: it waits for the OK.
    virtual void Message(const QString& texte, Icone icone, const QString& titre) = 0;
    // A notice raised by work that goes on without the user (the port, a transfer, a frame
    // being delivered): shown without waiting, one after the other, never on top of one
    // still open.
    virtual void Avis(const QString& texte, Icone icone, const QString& titre) = 0;
    // Calls `puis` once every notice shown or waiting to be shown has been closed: at once
    // when there is none, and at once by dialogues that keep no notice open.
    virtual void ApresAvis(std::function<void()> puis) { puis(); }
    // A Yes/No question; true for Yes.
    virtual bool Question(const QString& texte, Icone icone, const QString& titre) = 0;
    // An input box; nothing when cancelled.
    virtual std::optional<QString> Saisie(const QString& invite, const QString& titre,
                                          const QString& defaut) = 0;
    // A file dialog; nothing when cancelled.
    virtual std::optional<QString> ChoixFichier(const QString& titre, const QString& dossier,
                                                const QString& filtre, bool enregistrer) = 0;

    // The system's short sound (a port opened, for one).
    virtual void Bip() {}

    void Message(const QString& texte, Icone icone) { Message(texte, icone, kTitreApplication); }
    void Avis(const QString& texte, Icone icone) { Avis(texte, icone, kTitreApplication); }
};

} // namespace kovra
