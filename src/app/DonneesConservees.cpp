#include "app/DonneesConservees.h"
#include "dialogues/Dialogues.h"

#include "base/EcritureFichiers.h"
#include "link/Acquisition.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace kovra {

namespace {

// Whether a file of the data folder holds received data a run kept: the spool file of a
// transfer (named from its moment) or of an acquisition, a transfer set aside, a frame not
// delivered.
bool EstConservee(const QString& nom) {
    static const QRegularExpression spoolTransfert(QStringLiteral("^\\d+(_\\d+)?\\.tmp$"));
    if (!nom.endsWith(QStringLiteral(".tmp"))) {
        return false;
    }
    return nom.startsWith(kPrefixeSpoolAcquisition) || nom.startsWith(QStringLiteral("ht630-")) ||
           nom.startsWith(QStringLiteral("nonlivree-")) || spoolTransfert.match(nom).hasMatch();
}

} // namespace

QStringList RangeDonneesConservees(const Environnement& env) {
    const QDir dossier(env.DossierDonnees);
    const QDir rangement(dossier.filePath(kDossierConservees));
    QStringList ranges;
    QStringList restes; // could not be moved: announced again next time
    for (const QFileInfo& f : dossier.entryInfoList(QDir::Files, QDir::Name)) {
        if (!EstConservee(f.fileName())) {
            continue;
        }
        if (f.size() == 0) {
            QFile::remove(f.filePath());
            continue;
        }
        const QString cible = CheminLibre(rangement.path(), f.fileName());
        if (dossier.mkpath(kDossierConservees) && QFile::rename(f.filePath(), cible)) {
            ranges << cible;
        } else {
            restes << f.filePath();
        }
    }
    const QStringList tous = ranges + restes;
    if (tous.isEmpty()) {
        return tous;
    }
    QString message =
        QStringLiteral("Des données reçues d'un terminal n'ont pas été livrées ; elles sont "
                       "conservées dans : %1. Celles d'un transfert ou d'une acquisition "
                       "interrompus peuvent être incomplètes. Pour les livrer, importez chaque "
                       "fichier (« Fichier » dans le menu de Kovra) avec le séparateur |, "
                       "vérifiez ce qui a été livré, puis supprimez le fichier.")
            .arg(tous.join(QStringLiteral(", ")));
    const QString chemin = rangement.path();
    if (restes.isEmpty()) {
        message += QStringLiteral(" Ces fichiers sont rangés dans le dossier %1 et ne seront "
                                  "plus signalés.")
                       .arg(chemin);
    } else {
        message += QStringLiteral(" Ceux qui ne sont pas dans le dossier %1 (ils n'ont pas pu y "
                                  "être rangés) seront signalés de nouveau au prochain "
                                  "démarrage.")
                       .arg(chemin);
    }
    env.dialogues.Avis(message, Icone::Exclamation);
    return tous;
}

} // namespace kovra
