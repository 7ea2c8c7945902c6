#include "processing/Compteur.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"

namespace kovra {

namespace {

QString TexteErreur(const ErreurKovra& e) {
    return (e.Code().isEmpty() ? QString() : e.Code() + u' ') + e.Message();
}

} // namespace

PriseCompteur PrendCompteur(const QString& dossierDonnees, int attenteOccupee) {
    PriseCompteur prise;
    try {
        BaseScen base(CheminDonnee(dossierDonnees, kScenDb), OuvertureBase::Existante,
                      attenteOccupee);
        prise.valeur = QString::number(base.AvanceCompteur().value_or(10));
    } catch (const ErreurBaseOccupee& e) {
        prise.occupee = true;
        prise.erreur = TexteErreur(e);
    } catch (const ErreurKovra& e) {
        prise.erreur = TexteErreur(e);
    }
    return prise;
}

std::optional<QString> CompteurSuivant(const QString& dossierDonnees, Dialogues& dialogues) {
    PriseCompteur prise = PrendCompteur(dossierDonnees, kAttenteBaseOccupee);
    if (!prise.valeur) {
        dialogues.Avis(prise.erreur, Icone::Aucune);
    }
    return std::move(prise.valeur);
}

} // namespace kovra
