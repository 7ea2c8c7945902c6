#include "storage/ExporteScenario.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "storage/NomScenario.h"
#include "storage/ScenarioActif.h"

#include <QDir>

namespace kovra {

void ExporteScenario(BaseScen& base, const QString& dossierDonnees, qint16 numero) {
    const std::optional<LigneScenario> ligne = base.LitScenario(numero);
    if (!ligne) {
        throw ErreurKovra(QStringLiteral("Le scénario numéro %1 n'existe pas.").arg(numero));
    }
    if (const auto probleme = ProblemeNomScenario(ligne->Nom)) {
        throw ErreurKovra(*probleme);
    }

    base.RenumeroteActions(numero);
    QString champs;
    QString places;
    for (const LigneAction& action : base.Actions(numero)) {
        if (const auto probleme = ProblemeAction(action.Champs)) {
            throw ErreurKovra(QStringLiteral("Scénario « %1 », action %2 : %3")
                                  .arg(ligne->Nom)
                                  .arg(action.NumAction)
                                  .arg(*probleme));
        }
        champs += action.Champs + u'@';
        if (action.PlaceTrame != 0) {
            places += QString::number(action.PlaceTrame) + u'@';
        }
    }

    // Sections in the order the file has always had them.
    DocumentProfil doc;
    doc.Ecrit(QStringLiteral("Type"), QStringLiteral("Type"), ligne->Type);
    // Reading drops the blanks around a value, unless it stands between quotes.
    doc.Ecrit(QStringLiteral("Ligne"), QStringLiteral("Champs"),
              !champs.isEmpty() && champs.front().isSpace() ? u'"' + champs + u'"' : champs);
    doc.Ecrit(QStringLiteral("Boucle"), QStringLiteral("Index"), QString::number(ligne->Boucle));
    doc.Ecrit(QStringLiteral("Depart"), QStringLiteral("Index"), QString::number(ligne->Depart));
    doc.Ecrit(QStringLiteral("Trame"), QStringLiteral("Trame"), places);
    doc.Ecrit(QStringLiteral("Partiel"), QStringLiteral("Choix"), QString::number(ligne->Trame));
    doc.Ecrit(QStringLiteral("Partiel"), QStringLiteral("Nbr"), QString::number(ligne->NbrTrame));
    doc.Ecrit(QStringLiteral("Mat"), QStringLiteral("Specif"), QString::number(ligne->Specif));
    if (ligne->Type == u"Fichier") {
        doc.Ecrit(QStringLiteral("Fichier"), QStringLiteral("Chemin"), ligne->Chemin);
    }

    if (doc.PerteEncodage()) {
        throw ErreurKovra(QStringLiteral("Scénario « %1 » : un texte contient des caractères que "
                                         "le fichier du scénario (Windows-1252) ne peut pas "
                                         "contenir.")
                              .arg(ligne->Nom));
    }
    const QString chemin = CheminScenario(dossierDonnees, ligne->Nom);
    QDir().mkpath(CheminDonnee(dossierDonnees, kDossierScenarios));
    if (!doc.Enregistre(chemin)) {
        throw ErreurKovra(QStringLiteral("Impossible d'écrire le fichier %1.").arg(chemin));
    }
}

} // namespace kovra
