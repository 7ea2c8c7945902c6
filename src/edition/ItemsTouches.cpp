#include "edition/ItemsTouches.h"

#include "edition/NomsTouches.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "storage/GestionScenarios.h"

namespace kovra {

namespace {

constexpr int kValeursTouFic = 33;

QStringList ValeursTouFic(const QString& dossierDonnees) {
    const DocumentProfil doc = DocumentProfil::Charge(CheminDonnee(dossierDonnees, kTouFic));
    QStringList valeurs;
    for (int i = 0; i < kValeursTouFic; ++i) {
        valeurs << doc.Lit(QStringLiteral("Touches"), QString::number(i));
    }
    return valeurs;
}

QStringList NomsAffiches(const QString& dossierDonnees, GenreTouches genre) {
    const GroupeTouches g = Groupe(genre);
    QStringList noms;
    for (const QString& nom : LitNomsTouches(dossierDonnees, g.section, g.Nombre())) {
        noms << NomAffiche(nom);
    }
    return noms;
}

} // namespace

QString NomAffiche(const QString& nom) {
    if (!nom.contains(u'{')) {
        return nom;
    }
    const qsizetype fin = nom.indexOf(u'}');
    return fin < 0 ? nom.mid(1) : nom.mid(1, fin - 1);
}

QStringList ItemsTouches(const QString& dossierDonnees, const QString& type) {
    QStringList items;
    if (type == kTypeFichier) {
        items << QStringLiteral("&EMP") << QStringLiteral("&CODE") << QStringLiteral("&QTY")
              << QStringLiteral("&DATE") << QStringLiteral("&PASSLIGNE")
              << QStringLiteral("&INCREMENT") << QStringLiteral("&TAB");
        items << ValeursTouFic(dossierDonnees);
    } else {
        items << QStringLiteral("&EMP") << QStringLiteral("&CODE") << QStringLiteral("&QTY");
        items << NomsAffiches(dossierDonnees, GenreTouches::Systeme);
        items << NomsAffiches(dossierDonnees, GenreTouches::Particulieres);
    }
    items << kItemTimer << kItemChampLibre;
    items.removeAll(QString());
    return items;
}

} // namespace kovra
