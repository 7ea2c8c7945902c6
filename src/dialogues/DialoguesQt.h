#pragma once

#include "dialogues/Dialogues.h"

#include <QPointer>
#include <deque>
#include <functional>

class QMessageBox;
class QWidget;

namespace kovra {

// The text with a place to break the line (a zero-width space) in every run of more than
// 40 characters without one, so that a long name or path wraps inside its box.
QString CoupeLongsMots(const QString& texte);
// The text with every "&" doubled: shown as it is by a label that takes "&" for an access key.
QString SansRaccourci(QString texte);

// The dialogues a user sees: Qt's message boxes, input dialogs and file dialogs, modal
// over the given parent window (or the desktop). Notices are message boxes that do not
// hold the event loop: one is shown at a time, the next when it is closed, and none while a
// message, question or input box of the program's waits for the user.
class DialoguesQt : public Dialogues {
public:
    explicit DialoguesQt(QWidget* parent = nullptr) : parent_(parent) {}
    ~DialoguesQt() override;
    DialoguesQt(const DialoguesQt&) = delete;
    DialoguesQt& operator=(const DialoguesQt&) = delete;

    using Dialogues::Avis;
    using Dialogues::Message;
    void Message(const QString& texte, Icone icone, const QString& titre) override;
    void Avis(const QString& texte, Icone icone, const QString& titre) override;
    bool Question(const QString& texte, Icone icone, const QString& titre) override;
    std::optional<QString> Saisie(const QString& invite, const QString& titre,
                                  const QString& defaut) override;
    std::optional<QString> ChoixFichier(const QString& titre, const QString& dossier,
                                        const QString& filtre, bool enregistrer) override;
    void Bip() override;
    void ApresAvis(std::function<void()> puis) override;

private:
    struct AvisEnAttente {
        QString texte;
        Icone icone;
        QString titre;
    };
    void AvisSuivant();

    QWidget* parent_;
    std::deque<AvisEnAttente> avis_;
    QPointer<QMessageBox> avisOuvert_;
    int modaux_ = 0;                              // modal boxes open
    std::deque<std::function<void()>> apresAvis_; // to run once no notice is open or waiting
};

} // namespace kovra
