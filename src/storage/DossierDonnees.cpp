#include "storage/DossierDonnees.h"

#include "base/DossierProgramme.h"
#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kovra {

QString ResoutDossierDonnees(const QString& option) {
    return ResoutDossierProgramme(option, "KOVRA_DIR", QStringLiteral("kovra"));
}

QString DossierDefautsInstalles() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/kovra"));
}

QString CheminDonnee(const QString& dossier, const QString& nom) {
    return dossier + u'/' + nom;
}

QStringList PrepareDossierDonnees(const QString& dossier, const QString& defauts) {
    QStringList ajoutes;
    QDir d(dossier);
    if (!d.exists() && !QDir().mkpath(dossier)) {
        throw ErreurKovra(
            QStringLiteral("Impossible de créer le dossier de données %1.").arg(dossier));
    }
    for (const QString& nom : {kPortSerie, kTouche, kCorres, kTouFic}) {
        const QString cible = CheminDonnee(dossier, nom);
        if (QFileInfo::exists(cible)) {
            continue;
        }
        const QString source = CheminDonnee(defauts, nom);
        if (!QFileInfo::exists(source)) {
            throw ErreurKovra(
                QStringLiteral("Le fichier par défaut %1 est introuvable.").arg(source));
        }
        if (!QFile::copy(source, cible)) {
            throw ErreurKovra(
                QStringLiteral("Impossible de copier %1 vers %2.").arg(source, cible));
        }
        // The installed copy may be read-only; the user's copy is theirs to change.
        if (!QFile::setPermissions(cible, QFile::permissions(cible) | QFileDevice::WriteOwner)) {
            throw ErreurKovra(
                QStringLiteral("Impossible de rendre modifiable le fichier %1.").arg(cible));
        }
        ajoutes << nom;
    }
    if (!QFileInfo::exists(CheminDonnee(dossier, kDossierScenarios))) {
        if (!d.mkpath(kDossierScenarios)) {
            throw ErreurKovra(QStringLiteral("Impossible de créer le dossier %1.")
                                  .arg(CheminDonnee(dossier, kDossierScenarios)));
        }
        ajoutes << kDossierScenarios;
    }
    if (!QFileInfo::exists(CheminDonnee(dossier, kScenDb))) {
        BaseScen base(CheminDonnee(dossier, kScenDb), OuvertureBase::CreeSiAbsente);
        ajoutes << kScenDb;
    }
    return ajoutes;
}

QString AvisBaseRecreee(const QString& dossier, const QStringList& ajoutes) {
    if (!ajoutes.contains(kScenDb)) {
        return {};
    }
    for (const QString& nom : {kPortSerie, kTouche, kCorres, kTouFic}) {
        if (!ajoutes.contains(nom)) {
            // The folder was there before: its database went away.
            return QStringLiteral("La base des scénarios %1 était absente : une base vide vient "
                                  "d'être créée. Les scénarios sont à recréer, ou l'ancienne "
                                  "base à remettre en place Kovra fermé ; le compteur repart de "
                                  "sa première valeur.")
                .arg(CheminDonnee(dossier, kScenDb));
        }
    }
    return {};
}

} // namespace kovra
