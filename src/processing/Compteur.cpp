#include "Compteur.h"

#include "BaseScen.h"
#include "DossierDonnees.h"
#include "ErreurKovra.h"

namespace kovra {

QString CompteurSuivant(const QString& dossierDonnees, Dialogues& dialogues) {
    try {
        BaseScen base(CheminDonnee(dossierDonnees, kScenDb));
        return QString::number(base.AvanceCompteur().value_or(10));
    } catch (const ErreurKovra& e) {
        dialogues.Message((e.Code().isEmpty() ? QString() : e.Code() + u' ') + e.Message(),
                          Icone::Aucune);
        return {};
    }
}

} // namespace kovra
