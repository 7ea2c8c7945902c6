#include "dialogues/DialoguesScriptes.h"

namespace kovra {

void DialoguesScriptes::Message(const QString& texte, Icone icone, const QString& titre) {
    journal_.push_back({Genre::Message, texte, icone, titre, {}, {}, {}, false});
}

void DialoguesScriptes::Avis(const QString& texte, Icone icone, const QString& titre) {
    journal_.push_back({Genre::Avis, texte, icone, titre, {}, {}, {}, false});
    if (gardeAvis_) {
        ++avisOuverts_;
    }
}

void DialoguesScriptes::ApresAvis(std::function<void()> puis) {
    if (avisOuverts_ == 0) {
        puis();
        return;
    }
    apresAvis_.push_back(std::move(puis));
}

void DialoguesScriptes::FermeAvis() {
    avisOuverts_ = 0;
    // What runs now may show a notice again: the rest then waits for that one.
    std::deque<std::function<void()>> attente(apresAvis_.begin(), apresAvis_.end());
    apresAvis_.clear();
    while (!attente.empty() && avisOuverts_ == 0) {
        const std::function<void()> puis = std::move(attente.front());
        attente.pop_front();
        puis();
    }
    apresAvis_.insert(apresAvis_.begin(), attente.begin(), attente.end());
}

bool DialoguesScriptes::Question(const QString& texte, Icone icone, const QString& titre) {
    journal_.push_back({Genre::Question, texte, icone, titre, {}, {}, {}, false});
    if (pendantQuestion_) {
        pendantQuestion_();
    }
    if (reponsesQuestion_.empty()) {
        ++manquantes_;
        return false;
    }
    const bool oui = reponsesQuestion_.front();
    reponsesQuestion_.pop_front();
    return oui;
}

std::optional<QString> DialoguesScriptes::Saisie(const QString& invite, const QString& titre,
                                                 const QString& defaut) {
    journal_.push_back({Genre::Saisie, invite, Icone::Aucune, titre, defaut, {}, {}, false});
    return ReponseTexte();
}

std::optional<QString> DialoguesScriptes::ChoixFichier(const QString& titre, const QString& dossier,
                                                       const QString& filtre, bool enregistrer) {
    journal_.push_back(
        {Genre::ChoixFichier, titre, Icone::Aucune, titre, {}, dossier, filtre, enregistrer});
    return ReponseTexte();
}

std::optional<QString> DialoguesScriptes::ReponseTexte() {
    if (reponsesTexte_.empty()) {
        ++manquantes_;
        return std::nullopt;
    }
    const ReponsePreparee r = reponsesTexte_.front();
    reponsesTexte_.pop_front();
    if (r.annulee) {
        return std::nullopt;
    }
    return r.texte;
}

QStringList DialoguesScriptes::Messages() const {
    QStringList l;
    for (const Trace& t : journal_) {
        if (t.genre == Genre::Message || t.genre == Genre::Avis) {
            l << t.texte;
        }
    }
    return l;
}

} // namespace kovra
