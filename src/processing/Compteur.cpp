#include "processing/Compteur.h"

#include "base/ErreurKovra.h"
#include "platform/Fichiers.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"

namespace kovra {

namespace {

QString TexteErreur(const ErreurKovra& e) {
    return (e.Code().isEmpty() ? QString() : e.Code() + u' ') + e.Message();
}

// Takes the value through an open connection, or opens one first.
PriseCompteur PrendPar(std::unique_ptr<BaseScen>& base, const QString& chemin, int attente) {
    PriseCompteur prise;
    try {
        if (base == nullptr) {
            base = std::make_unique<BaseScen>(chemin, OuvertureBase::Existante, attente);
        }
        prise.valeur = QString::number(base->AvanceCompteur().value_or(10));
    } catch (const ErreurBaseOccupee& e) {
        prise.occupee = true;
        prise.erreur = TexteErreur(e);
    } catch (const ErreurKovra& e) {
        prise.erreur = TexteErreur(e);
    }
    return prise;
}

} // namespace

PriseCompteur PrendCompteur(const QString& dossierDonnees, int attenteOccupee) {
    std::unique_ptr<BaseScen> base;
    return PrendPar(base, CheminDonnee(dossierDonnees, kScenDb), attenteOccupee);
}

CompteurRun::CompteurRun(QString dossierDonnees, int attenteOccupee)
    : chemin_(CheminDonnee(dossierDonnees, kScenDb)), attente_(attenteOccupee) {}

CompteurRun::~CompteurRun() = default;

PriseCompteur CompteurRun::Prend() {
    const QByteArray identite = plateforme::IdentiteFichier(chemin_).value_or(QByteArray());
    if (identite.isEmpty() || identite != identite_) {
        base_.reset();
        identite_ = identite;
    }
    PriseCompteur prise = PrendPar(base_, chemin_, attente_);
    if (!prise.valeur) {
        base_.reset(); // tried afresh next time
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
