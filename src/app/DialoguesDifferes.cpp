#include "app/DialoguesDifferes.h"

namespace kovra {

void DialoguesDifferes::Avis(const QString& texte, Icone icone, const QString& titre) {
    if (retenir_ && retenir_()) {
        retenus_.push_back({texte, icone, titre});
        return;
    }
    cible_.Avis(texte, icone, titre);
}

void DialoguesDifferes::ApresAvis(std::function<void()> puis) {
    if (retenus_.empty()) {
        cible_.ApresAvis(std::move(puis));
        return;
    }
    apresAvis_.push_back(std::move(puis));
}

void DialoguesDifferes::Libere() {
    while (!retenus_.empty() && !(retenir_ && retenir_())) {
        const AvisRetenu a = retenus_.front();
        retenus_.pop_front();
        cible_.Avis(a.texte, a.icone, a.titre);
    }
    while (retenus_.empty() && !apresAvis_.empty()) {
        std::function<void()> puis = std::move(apresAvis_.front());
        apresAvis_.pop_front();
        cible_.ApresAvis(std::move(puis));
    }
}

} // namespace kovra
