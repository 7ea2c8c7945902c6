#include "processing/FichierSortie.h"
#include "dialogues/Dialogues.h"

#include "base/Windows1252.h"
#include "storage/FichierProfil.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

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
    dialogues.Avis(QStringLiteral("Une erreur d'écriture de fichier vient de se produire. "
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

namespace {

// The names a numbered output takes in turn: Sortie.txt, Sortie1.txt, Sortie2.txt...
QString NomNumero(const QString& nom, qint64 n) {
    if (n == 0) {
        return nom;
    }
    const qsizetype point = nom.indexOf(u'.');
    const QString base = point < 0 ? nom : nom.left(point);
    const QString extension = point < 0 ? QString() : nom.mid(point);
    return base + QString::number(n) + extension;
}

// Writes the bytes to a new file of the folder and gives it the first free numbered name;
// the rename never replaces a file, even one another program made meanwhile.
QString EcritNumerote(const QString& dossier, const QString& nom, const QByteArray& octets) {
    QTemporaryFile temporaire(dossier + QStringLiteral(".kovra-XXXXXX"));
    temporaire.setAutoRemove(true);
    if (!temporaire.open() || temporaire.write(octets) != octets.size() || !temporaire.flush()) {
        return {};
    }
    temporaire.close();
    for (qint64 n = 0; n < 1000000; ++n) {
        const QString candidat = NomNumero(nom, n);
        if (!QFileInfo::exists(dossier + candidat) &&
            QFile::rename(temporaire.fileName(), dossier + candidat)) {
            temporaire.setAutoRemove(false);
            return dossier + candidat;
        }
    }
    return {};
}

// Replaces the file in one step; a device or a pipe is written as it is.
bool EcritRemplace(const QString& chemin, const QByteArray& octets) {
    const QFileInfo info(chemin);
    if (info.exists() && !info.isFile()) {
        QFile f(chemin);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
               f.write(octets) == octets.size();
    }
    QSaveFile f(chemin);
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

} // namespace

QString CheminSortie(const QString& chemin, bool numerote) {
    const qsizetype separateur = chemin.lastIndexOf(u'/');
    const QString dossier = chemin.left(separateur + 1);
    const QString nom = chemin.mid(separateur + 1);
    for (qint64 n = 0;; ++n) {
        if (!numerote || !FichierExiste(dossier, NomNumero(nom, n))) {
            return dossier + NomNumero(nom, n);
        }
    }
}

QString CheminFichierScenario(const EtatScenario& scenario, const QString& dossierDonnees) {
    const QString lu = Normalise(LireIni(CheminScenario(dossierDonnees, scenario.ScenarioActif),
                                         QStringLiteral("Fichier"), QStringLiteral("Chemin")));
    if (lu.isEmpty() || QDir::isAbsolutePath(lu)) {
        return lu;
    }
    return dossierDonnees + u'/' + lu;
}

bool EcritFichier(const QString& texte, const EtatScenario& scenario, const Environnement& env) {
    return EcritFichierVers(texte, CheminFichierScenario(scenario, env.DossierDonnees),
                            scenario.FichierNumerote, env.dialogues);
}

bool EcritFichierVers(const QString& texte, const QString& chemin, bool numerote,
                      Dialogues& dialogues) {
    if (chemin.isEmpty() || chemin.endsWith(u'/')) {
        EchecEcriture(dialogues);
        return false;
    }
    const QString dossier = chemin.left(chemin.lastIndexOf(u'/') + 1);
    if (!QFileInfo::exists(dossier) && !CreeDossiers(dossier)) {
        EchecEcriture(dialogues);
        return false;
    }
    const QByteArray octets = EncodeWindows1252(texte);
    QString cible = chemin;
    if (numerote) {
        cible = EcritNumerote(dossier, chemin.mid(dossier.size()), octets);
    } else if (!EcritRemplace(chemin, octets)) {
        cible.clear();
    }
    if (cible.isEmpty()) {
        EchecEcriture(dialogues);
        return false;
    }
    dialogues.Avis(QStringLiteral("Fichier ") + cible + QStringLiteral(" : généré"),
                   Icone::Information);
    return true;
}

} // namespace kovra
