#include "processing/FichierSortie.h"

#include "base/Windows1252.h"
#include "dialogues/Dialogues.h"
#include "platform/Fichiers.h"
#include "storage/FichierProfil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <optional>

namespace kovra {

namespace {

// How far the numbering goes before giving up.
constexpr qint64 kNumerosMax = 1000000;

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

// The characters of the text that Windows-1252 lacks, each once, as the user is told them.
QString CaracteresAbsents(const QString& texte) {
    QStringList noms;
    QSet<char32_t> vus;
    for (const char32_t c : texte.toUcs4()) {
        const QString caractere = QString::fromUcs4(&c, 1);
        bool perte = false;
        EncodeWindows1252(caractere, &perte);
        if (!perte || vus.contains(c)) {
            continue;
        }
        if (noms.size() == 10) {
            noms << QStringLiteral("…");
            break;
        }
        vus.insert(c);
        noms << QStringLiteral("« %1 » (U+%2)")
                    .arg(caractere, QString::number(c, 16).toUpper().rightJustified(4, u'0'));
    }
    return noms.join(QStringLiteral(", "));
}

} // namespace

bool FichierExiste(const QString& dossier, const QString& nom) {
    return QFileInfo(dossier + nom).isFile();
}

bool CreeDossiers(const QString& chemin) {
    return chemin.isEmpty() || QDir().mkpath(chemin);
}

QString NomNumero(const QString& nom, qint64 n) {
    if (n == 0) {
        return nom;
    }
    const qsizetype point = nom.indexOf(u'.');
    const QString base = point < 0 ? nom : nom.left(point);
    const QString extension = point < 0 ? QString() : nom.mid(point);
    return base + QString::number(n) + extension;
}

QString EcritNumerote(const QString& dossier, const QString& nom, const QByteArray& octets,
                      const std::function<void(const QString&)>& avantPrise) {
    return plateforme::EcritSousNomLibre(
        dossier, octets, [&nom](qint64 n) { return NomNumero(nom, n); }, kNumerosMax, avantPrise);
}

QString CheminFichierScenario(const EtatScenario& scenario, const QString& dossierDonnees) {
    // Kovra writes the compiled file in Windows-1252: read it so, whatever its bytes.
    const QString lu =
        Normalise(DocumentProfil::Charge(CheminScenario(dossierDonnees, scenario.ScenarioActif),
                                         EncodageFichier::Windows1252)
                      .Lit(QStringLiteral("Fichier"), QStringLiteral("Chemin")));
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
    bool perte = false;
    const QByteArray octets = EncodeWindows1252(texte, &perte);
    QString cible = chemin;
    if (numerote) {
        cible = EcritNumerote(dossier, chemin.mid(dossier.size()), octets);
    } else if (!plateforme::EcritRemplace(chemin, octets)) {
        cible.clear();
    }
    if (cible.isEmpty()) {
        EchecEcriture(dialogues);
        return false;
    }
    dialogues.Avis(QStringLiteral("Fichier ") + cible + QStringLiteral(" : généré"),
                   Icone::Information);
    if (perte) {
        dialogues.Avis(QStringLiteral("Le fichier %1 porte « ? » à la place de caractères que "
                                      "Windows-1252 ne peut pas contenir : %2.")
                           .arg(cible, CaracteresAbsents(texte)),
                       Icone::Exclamation);
        return false;
    }
    return true;
}

} // namespace kovra
