#include "edition/NomsTouches.h"

#include "base/ErreurKovra.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"

namespace kovra {

namespace {

// Keys and slot numbers are written as the Windows program wrote them: one blank, then
// the digits. Readings ignore the blank.
QString AvecBlanc(int n) {
    return u' ' + QString::number(n);
}

// The label of key i of a section, for messages.
QString Libelle(const QString& section, int i) {
    for (const GenreTouches genre : {GenreTouches::Particulieres, GenreTouches::Systeme}) {
        const GroupeTouches g = Groupe(genre);
        if (g.section.compare(section, Qt::CaseInsensitive) == 0 && i < g.Nombre()) {
            return g.libelles[i];
        }
    }
    return QString::number(i);
}

} // namespace

GroupeTouches Groupe(GenreTouches genre) {
    if (genre == GenreTouches::Particulieres) {
        QStringList libelles;
        for (int i = 1; i <= 12; ++i) {
            libelles << u'F' + QString::number(i);
        }
        libelles << QStringLiteral("+") << QStringLiteral("%") << QStringLiteral("^");
        return {QStringLiteral("Particuliere"), 0, libelles};
    }
    return {
        QStringLiteral("systeme"),
        15,
        {QStringLiteral("BACKSPACE"),    QStringLiteral("CAPS LOCK"),   QStringLiteral("NUM LOCK"),
         QStringLiteral("PRINT SCREEN"), QStringLiteral("SCROLL LOCK"), QStringLiteral("INSERT"),
         QStringLiteral("PAGEDOWN"),     QStringLiteral("PAGE UP"),     QStringLiteral("BREAK"),
         QStringLiteral("DEL"),          QStringLiteral("END"),         QStringLiteral("ENTER"),
         QStringLiteral("HELP"),         QStringLiteral("HOME"),        QStringLiteral("ESC"),
         QStringLiteral("TAB"),          QStringLiteral("DOWN"),        QStringLiteral("UP"),
         QStringLiteral("LEFT"),         QStringLiteral("RIGHT"),       QStringLiteral("SHIFT"),
         QStringLiteral("CTRL"),         QStringLiteral("ALT")}};
}

QStringList LitNomsTouches(const QString& dossierDonnees, const QString& section, int nombre) {
    const DocumentProfil doc = DocumentProfil::Charge(CheminDonnee(dossierDonnees, kTouche));
    QStringList noms;
    for (int i = 0; i < nombre; ++i) {
        const QString valeur = doc.Lit(section, AvecBlanc(i));
        const qsizetype at = valeur.indexOf(u'@');
        noms << (at >= 0 ? valeur.left(at) : QString());
    }
    return noms;
}

QString RefusNomTouche(const QString& libelle, const QString& nom) {
    if (nom.contains(u'@')) {
        return QStringLiteral(
                   "Le nom de la touche « %1 » ne peut pas contenir « @ » : ce caractère "
                   "sépare le nom du numéro de la touche dans Touche.ini.")
            .arg(libelle);
    }
    if (nom.contains(u'\r') || nom.contains(u'\n')) {
        return QStringLiteral("Le nom de la touche « %1 » doit tenir sur une ligne.").arg(libelle);
    }
    if (nom.size() > kLongueurNomTouche) {
        return QStringLiteral("Le nom de la touche « %1 » est trop long : %2 caractères au plus.")
            .arg(libelle, QString::number(kLongueurNomTouche));
    }
    return {};
}

QString RefusNomsTouches(const QStringList& libelles, const QStringList& noms) {
    for (qsizetype i = 0; i < noms.size(); ++i) {
        const QString refus =
            RefusNomTouche(i < libelles.size() ? libelles[i] : QString::number(i), noms[i]);
        if (!refus.isEmpty()) {
            return refus;
        }
    }
    return {};
}

void EcritNomsTouches(const QString& dossierDonnees, const QString& section,
                      const QStringList& noms, int premierCode) {
    const QString chemin = CheminDonnee(dossierDonnees, kTouche);
    DocumentProfil doc = DocumentProfil::Charge(chemin);
    for (int i = 0; i < noms.size(); ++i) {
        const QString libelle = Libelle(section, i);
        const QString& nom = noms[i];
        if (const QString refus = RefusNomTouche(libelle, nom); !refus.isEmpty()) {
            throw ErreurKovra(refus +
                              QStringLiteral(" Le fichier %1 n'a pas été modifié.").arg(chemin));
        }
        const QString valeur = nom + u'@' + AvecBlanc(premierCode + i);
        const bool perteAvant = doc.PerteEncodage();
        // Quoted when the name starts with a blank, which a reading would drop.
        if (!doc.Ecrit(section, AvecBlanc(i), ValeurRelueTelle(valeur)) ||
            doc.PerteEncodage() != perteAvant || doc.Lit(section, AvecBlanc(i)) != valeur) {
            throw ErreurKovra(
                QStringLiteral("Le nom de la touche « %1 » contient des caractères que "
                               "le fichier %2 ne peut pas contenir ; le fichier "
                               "n'a pas été modifié.")
                    .arg(libelle, chemin));
        }
    }
    if (!doc.Enregistre(chemin)) {
        throw ErreurKovra(QStringLiteral("Impossible d'écrire le fichier %1 ; les noms des "
                                         "touches n'ont pas été enregistrés.")
                              .arg(chemin));
    }
}

} // namespace kovra
