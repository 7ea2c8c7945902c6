#pragma once

#include "dialogues/Dialogues.h"

#include <QTextStream>

namespace kovra {

// Dialogues of a program without windows: messages are printed, questions answered No
// and inputs cancelled, so a script never waits for a user.
class DialoguesConsole : public Dialogues {
public:
    explicit DialoguesConsole(QTextStream& flux) : flux_(flux) {}

    using Dialogues::Avis;
    using Dialogues::Message;
    void Message(const QString& texte, Icone, const QString& titre) override {
        flux_ << titre << ": " << texte << "\n";
        flux_.flush();
    }
    void Avis(const QString& texte, Icone icone, const QString& titre) override {
        Message(texte, icone, titre);
    }
    bool Question(const QString& texte, Icone icone, const QString& titre) override {
        Message(texte, icone, titre);
        return false;
    }
    std::optional<QString> Saisie(const QString&, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> ChoixFichier(const QString&, const QString&, const QString&,
                                        bool) override {
        return std::nullopt;
    }

private:
    QTextStream& flux_;
};

} // namespace kovra
