#include "FichierSortie.h"

#include "FichierProfil.h"
#include "Windows1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace kovra {

namespace {

// Paths written on Windows use "\"; both separate folders here.
QString Normalise(QString chemin) {
#ifndef Q_OS_WIN
    chemin.replace(u'\\', u'/');
#endif
    return chemin;
}

void EchecEcriture(Dialogues& dialogues) {
    dialogues.Message(QStringLiteral("Une erreur d'écriture de fichier vient de se produire. "
                                     "Votre fichier n'a pas pu être créé"),
                      Icone::Exclamation);
}

} // namespace

bool FichierExiste(const QString& dossier, const QString& nom) {
    return QFileInfo(dossier + nom).isFile();
}

bool CreeDossiers(const QString& chemin) {
    return chemin.isEmpty() || QDir().mkpath(chemin);
}

QString CheminSortie(const QString& chemin, bool numerote) {
    const qsizetype separateur = chemin.lastIndexOf(u'/');
    const QString dossier = chemin.left(separateur + 1);
    const QString nom = chemin.mid(separateur + 1);
    if (!numerote || !FichierExiste(dossier, nom)) {
        return chemin;
    }
    const qsizetype point = nom.indexOf(u'.');
    const QString base = point < 0 ? nom : nom.left(point);
    const QString extension = point < 0 ? QString() : nom.mid(point);
    QString candidat;
    for (qint64 n = 1;; ++n) {
        candidat = base + QString::number(n) + extension;
        if (!FichierExiste(dossier, candidat)) {
            return dossier + candidat;
        }
    }
}

bool EcritFichier(const QString& texte, const EtatScenario& scenario, const Environnement& env) {
    const QString lu = Normalise(LireIni(CheminScenario(env.DossierDonnees, scenario.ScenarioActif),
                                         QStringLiteral("Fichier"), QStringLiteral("Chemin")));
    if (lu.isEmpty() || lu.endsWith(u'/')) {
        EchecEcriture(env.dialogues);
        return false;
    }
    const QString chemin = QDir::isAbsolutePath(lu) ? lu : env.DossierDonnees + u'/' + lu;
    const QString dossier = chemin.left(chemin.lastIndexOf(u'/') + 1);
    if (!QFileInfo::exists(dossier) && !CreeDossiers(dossier)) {
        EchecEcriture(env.dialogues);
        return false;
    }
    const QString cible = CheminSortie(chemin, scenario.FichierNumerote);
    QSaveFile f(cible);
    const QByteArray octets = EncodeWindows1252(texte);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size() || !f.commit()) {
        f.cancelWriting();
        EchecEcriture(env.dialogues);
        return false;
    }
    env.dialogues.Message(QStringLiteral("Fichier ") + cible + QStringLiteral(" : généré"),
                          Icone::Information);
    return true;
}

} // namespace kovra
