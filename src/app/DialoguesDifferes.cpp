#include "app/DialoguesDifferes.h"

namespace kovra {

void DialoguesDifferes::Avis(const QString& texte, Icone icone, const QString& titre) {
    if (retenir_ && retenir_()) {
        retenus_.push_back({texte, icone, titre});
        return;
    }
    cible_.Avis(texte, icone, titre);
}

void DialoguesDifferes::Libere() {
    while (!retenus_.empty() && !(retenir_ && retenir_())) {
        const AvisRetenu a = retenus_.front();
        retenus_.pop_front();
        cible_.Avis(a.texte, a.icone, a.titre);
    }
}

} // namespace kovra
