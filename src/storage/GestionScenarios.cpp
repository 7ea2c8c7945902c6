#include "storage/GestionScenarios.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/EditionActions.h"
#include "storage/ExporteScenario.h"
#include "storage/FichierProfil.h"
#include "storage/NomScenario.h"
#include "storage/Registre.h"
#include "storage/ScenarioActif.h"

#include <QFile>
#include <QFileInfo>
#include <limits>

namespace kovra {

qint16 CreeScenario(BaseScen& base, const NouveauScenario& nouveau) {
    if (nouveau.Type.isEmpty()) {
        throw ErreurKovra(QStringLiteral("Vous devez préciser un type pour le scénario."));
    }
    if (nouveau.Type != kTypeEmulation && nouveau.Type != kTypeFichier) {
        throw ErreurKovra(QStringLiteral("Le type « %1 » est inconnu : « Emulation » ou "
                                         "« Fichier » sont attendus.")
                              .arg(nouveau.Type));
    }
    if (const auto probleme = ProblemeNouveauNomScenario(nouveau.Nom)) {
        throw ErreurKovra(*probleme);
    }
    if (const auto probleme = ProblemeLongueurCompilee(
            QStringLiteral("le chemin du fichier de sortie"), ValeurRelueTelle(nouveau.Chemin))) {
        throw ErreurKovra(QStringLiteral("Chemin refusé : %1.").arg(*probleme));
    }
    // Names differing only by case would share one compiled file on Windows.
    for (const QString& nom : base.ListeNoms()) {
        if (nom.compare(nouveau.Nom, Qt::CaseInsensitive) == 0) {
            throw ErreurKovra(QStringLiteral("Un scénario nommé « %1 » existe déjà.").arg(nom));
        }
    }
    LigneScenario ligne;
    ligne.Numero = base.ProchainNumero();
    ligne.Nom = nouveau.Nom;
    ligne.Type = nouveau.Type;
    ligne.Trame = nouveau.NbrTrame > 0 ? 1 : 0;
    ligne.Specif = nouveau.Numerote ? 1 : 0;
    ligne.Chemin = nouveau.Chemin;
    ligne.NbrTrame = nouveau.NbrTrame;
    base.InsereScenario(ligne);
    return ligne.Numero;
}

qint16 NumeroScenario(BaseScen& base, const QString& nom) {
    const auto numero = base.NumeroParNom(nom);
    if (!numero) {
        throw ErreurKovra(QStringLiteral("Le scénario « %1 » n'existe pas.").arg(nom));
    }
    return *numero;
}

qint16 AjouteAction(BaseScen& base, qint16 numero, const QString& champs, int placeTrame) {
    VerifieAction(champs, placeTrame);
    const qint16 dernier = base.DernierNumAction(numero);
    if (dernier == std::numeric_limits<qint16>::max()) {
        throw ErreurKovra(QStringLiteral("Le scénario a atteint le nombre maximal d'actions."));
    }
    // Refused now rather than at the export, where the whole scenario would be.
    std::vector<LigneAction> actions = base.Actions(numero);
    actions.push_back({static_cast<qint16>(dernier + 1), champs, placeTrame});
    VerifieLongueurActions(actions);
    const auto numAction = static_cast<qint16>(dernier + 1);
    base.InsereAction(numero, numAction, champs, placeTrame);
    return numAction;
}

void SupprimeScenario(BaseScen& base, Registre& registre, const QString& dossierDonnees,
                      const QString& nom) {
    const qint16 numero = NumeroScenario(base, nom);
    if (!ProblemeNomScenario(nom)) {
        const QString compile = CheminScenario(dossierDonnees, nom);
        if (QFileInfo::exists(compile) && !QFile::remove(compile)) {
            throw ErreurKovra(
                QStringLiteral("Impossible de supprimer le fichier %1.").arg(compile));
        }
    }
    base.SupprimeScenario(numero);
    for (const QString& valeur : {kRacScenChx, kRacInvent, kRacCde}) {
        if (registre.Lit(valeur) == nom && !registre.Ecrit(valeur, QString())) {
            throw ErreurKovra(QStringLiteral("Impossible d'effacer la valeur %1 dans %2.")
                                  .arg(valeur, registre.Emplacement(kCleKovra)));
        }
    }
}

} // namespace kovra
