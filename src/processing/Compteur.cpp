#include "processing/Compteur.h"
#include "dialogues/Dialogues.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"

namespace kovra {

QString CompteurSuivant(const QString& dossierDonnees, Dialogues& dialogues) {
    try {
        BaseScen base(CheminDonnee(dossierDonnees, kScenDb));
        return QString::number(base.AvanceCompteur().value_or(10));
    } catch (const ErreurKovra& e) {
        dialogues.Avis((e.Code().isEmpty() ? QString() : e.Code() + u' ') + e.Message(),
                       Icone::Aucune);
        return {};
    }
}

} // namespace kovra
