#include "storage/ScenarioActif.h"

#include "dialogues/Dialogues.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "storage/NomScenario.h"
#include "storage/Registre.h"

#include <QFileInfo>

namespace kovra {

namespace {

constexpr qsizetype kLongueurInfoBulle = 64;

// Numbers the compiler wrote; anything else (missing, blank, not a number, out of range)
// reads as 0.
qint16 Entier16(const QString& texte) {
    bool ok = false;
    const short n = texte.trimmed().toShort(&ok);
    return ok ? n : qint16(0);
}

void ChargeFichier(EtatScenario& etat, const QString& chemin) {
    // Kovra writes this file in Windows-1252: read it so, whatever its bytes look like.
    const DocumentProfil doc = DocumentProfil::Charge(chemin, EncodageFichier::Windows1252);

    etat.FichierNumerote = Entier16(doc.Lit(QStringLiteral("Mat"), QStringLiteral("Specif"))) == 1;
    etat.SortieFichier = doc.Lit(QStringLiteral("Type"), QStringLiteral("Type")) == u"Fichier";

    etat.ListeActions = QStringList{QString()};
    etat.ListeActions += ItemsJusquAuVide(
        doc.Lit(QStringLiteral("Ligne"), QStringLiteral("Champs")), QStringLiteral("@"));

    etat.ChoixPartiel = Entier16(doc.Lit(QStringLiteral("Partiel"), QStringLiteral("Choix")));
    etat.PlacesTrame = {PlaceTrame{}};
    if (etat.ChoixPartiel == 1) {
        const QStringList places = ItemsJusquAuVide(
            doc.Lit(QStringLiteral("Trame"), QStringLiteral("Trame")), QStringLiteral("@"));
        for (qsizetype i = 0; i < places.size(); ++i) {
            etat.PlacesTrame.push_back({static_cast<qint16>(i + 1), Entier16(places[i])});
        }
    }
}

bool FichierCompileExiste(const QString& dossierDonnees, const QString& nom) {
    return !ProblemeNomScenario(nom) && QFileInfo(CheminScenario(dossierDonnees, nom)).isFile();
}

} // namespace

QString TexteInfoBulle(int port, const QString& nomScenario, const QString& etatPort) {
    return (QStringLiteral("Kovra COM ") + QString::number(port) + QStringLiteral(" : ") +
            etatPort + QStringLiteral(", Scénario : ") + nomScenario)
        .leftJustified(kLongueurInfoBulle, u' ', true);
}

QString CheminScenario(const QString& dossierDonnees, const QString& nom) {
    return dossierDonnees + u'/' + kDossierScenarios + u'/' + nom + QStringLiteral(".ini");
}

bool ChargeScenarioActif(EtatScenario& etat, const Environnement& env, InfoBulle& bulle,
                         int portCom) {
    etat.ScenarioActif = env.registre.Lit(kRacScenChx);
    if (!FichierCompileExiste(env.DossierDonnees, etat.ScenarioActif)) {
        // A choice that could not be cleared is only named again at the next start, and
        // is cleared again then; nothing else depends on it.
        if (!etat.ScenarioActif.isEmpty() && !env.registre.Ecrit(kRacScenChx, QString())) {
            env.dialogues.Message(QStringLiteral("Impossible d'effacer la valeur %1 dans %2.")
                                      .arg(kRacScenChx, env.registre.Emplacement(kCleKovra)),
                                  Icone::Exclamation);
        }
        etat.ScenarioActif.clear();
    }
    if (etat.ScenarioActif.isEmpty()) {
        env.dialogues.Message(QStringLiteral("Aucun scénario n'est défini"), Icone::Information);
        return false;
    }
    ChargeFichier(etat, CheminScenario(env.DossierDonnees, etat.ScenarioActif));
    bulle.ModifieInfoBulle(portCom, etat.ScenarioActif);
    return true;
}

void ChargeScenario(EtatScenario& etat, const QString& nom, const QString& dossierDonnees,
                    InfoBulle& bulle, int portCom) {
    ChargeFichier(etat, CheminScenario(dossierDonnees, nom));
    bulle.ModifieInfoBulle(portCom, nom);
}

} // namespace kovra
