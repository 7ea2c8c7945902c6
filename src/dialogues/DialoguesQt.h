#pragma once

#include "Dialogues.h"

class QWidget;

namespace kovra {

// The dialogues a user sees: Qt's message boxes, input dialogs and file dialogs, modal
// over the given parent window (or the desktop).
class DialoguesQt : public Dialogues {
public:
    explicit DialoguesQt(QWidget* parent = nullptr) : parent_(parent) {}

    using Dialogues::Message;
    void Message(const QString& texte, Icone icone, const QString& titre) override;
    bool Question(const QString& texte, Icone icone, const QString& titre) override;
    std::optional<QString> Saisie(const QString& invite, const QString& titre,
                                  const QString& defaut) override;
    std::optional<QString> ChoixFichier(const QString& titre, const QString& dossier,
                                        const QString& filtre, bool enregistrer) override;
    void Bip() override;

private:
    QWidget* parent_;
};

} // namespace kovra
