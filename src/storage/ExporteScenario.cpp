#include "storage/ExporteScenario.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "storage/NomScenario.h"
#include "storage/ScenarioActif.h"

#include <QDir>

namespace kovra {

namespace {

void Ecrit(DocumentProfil& doc, const char* section, const char* cle, const QString& valeur) {
    // Fixed names a reading always finds: writing them cannot be refused.
    const bool ecrit = doc.Ecrit(QLatin1String(section), QLatin1String(cle), valeur);
    Q_ASSERT(ecrit);
    Q_UNUSED(ecrit);
}

} // namespace

ListesCompilees ListesDuScenario(const std::vector<LigneAction>& actions) {
    ListesCompilees l;
    for (const LigneAction& action : actions) {
        l.Champs += action.Champs + u'@';
        if (action.PlaceTrame != 0) {
            l.Trame += QString::number(action.PlaceTrame) + u'@';
        }
    }
    l.Champs = ValeurRelueTelle(l.Champs);
    return l;
}

std::optional<QString> ProblemeLongueurCompilee(const QString& quoi, const QString& texte) {
    if (texte.size() <= DocumentProfil::kLongueurMax) {
        return std::nullopt;
    }
    return QStringLiteral("%1 compterait %2 caractères dans le fichier du scénario, qui en "
                          "garde %3 au plus")
        .arg(quoi)
        .arg(texte.size())
        .arg(DocumentProfil::kLongueurMax);
}

void ExporteScenario(BaseScen& base, const QString& dossierDonnees, qint16 numero) {
    const std::optional<LigneScenario> ligne = base.LitScenario(numero);
    if (!ligne) {
        throw ErreurKovra(QStringLiteral("Le scénario numéro %1 n'existe pas.").arg(numero));
    }
    if (const auto probleme = ProblemeNomScenario(ligne->Nom)) {
        throw ErreurKovra(*probleme);
    }
    const auto refus = [&](const QString& raison) {
        return ErreurKovra(QStringLiteral("Scénario « %1 » : %2.").arg(ligne->Nom, raison));
    };

    base.RenumeroteActions(numero);
    const std::vector<LigneAction> actions = base.Actions(numero);
    for (const LigneAction& action : actions) {
        if (const auto probleme = ProblemeAction(action.Champs)) {
            throw ErreurKovra(QStringLiteral("Scénario « %1 », action %2 : %3")
                                  .arg(ligne->Nom)
                                  .arg(action.NumAction)
                                  .arg(*probleme));
        }
    }
    const ListesCompilees listes = ListesDuScenario(actions);
    const auto verifieLongueur = [&](const QString& quoi, const QString& texte) {
        if (const auto probleme = ProblemeLongueurCompilee(quoi, texte)) {
            throw refus(*probleme);
        }
    };
    verifieLongueur(QStringLiteral("la liste des actions"), listes.Champs);
    verifieLongueur(QStringLiteral("la liste des places dans la trame"), listes.Trame);
    const bool fichier = ligne->Type == u"Fichier";
    const QString chemin = ValeurRelueTelle(ligne->Chemin);
    if (fichier) {
        if (ligne->Chemin.contains(u'\r') || ligne->Chemin.contains(u'\n')) {
            throw refus(QStringLiteral("le chemin du fichier de sortie doit tenir sur une ligne"));
        }
        verifieLongueur(QStringLiteral("le chemin du fichier de sortie"), chemin);
    }

    // Sections in the order the file has always had them.
    DocumentProfil doc = DocumentProfil::DepuisOctets({}, EncodageFichier::Windows1252);
    Ecrit(doc, "Type", "Type", ligne->Type);
    Ecrit(doc, "Ligne", "Champs", listes.Champs);
    Ecrit(doc, "Boucle", "Index", QString::number(ligne->Boucle));
    Ecrit(doc, "Depart", "Index", QString::number(ligne->Depart));
    Ecrit(doc, "Trame", "Trame", listes.Trame);
    Ecrit(doc, "Partiel", "Choix", QString::number(ligne->Trame));
    Ecrit(doc, "Partiel", "Nbr", QString::number(ligne->NbrTrame));
    Ecrit(doc, "Mat", "Specif", QString::number(ligne->Specif));
    if (fichier) {
        Ecrit(doc, "Fichier", "Chemin", chemin);
    }

    if (doc.PerteEncodage()) {
        throw refus(QStringLiteral("un texte contient des caractères que le fichier du scénario "
                                   "(Windows-1252) ne peut pas contenir"));
    }
    const QString cheminCompile = CheminScenario(dossierDonnees, ligne->Nom);
    if (!QDir().mkpath(CheminDonnee(dossierDonnees, kDossierScenarios)) ||
        !doc.Enregistre(cheminCompile)) {
        throw ErreurKovra(QStringLiteral("Impossible d'écrire le fichier %1.").arg(cheminCompile));
    }
}

} // namespace kovra
