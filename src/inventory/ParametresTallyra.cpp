#include "inventory/ParametresTallyra.h"

#include "base/ErreurKovra.h"
#include "inventory/DossierTallyra.h"
#include "storage/FichierProfil.h"

#include <QDir>

namespace kovra::tallyra {

namespace {
const QString kSection = QStringLiteral("Societe");
}

EditionLedgra EditionDepuisTexte(const QString& valeur) {
    if (valeur.isEmpty()) {
        return {1, false, false};
    }
    if (valeur == u"1") {
        return {1, true, false};
    }
    return {2, false, true};
}

EditionLedgra ChoisitExpert(EditionLedgra e) {
    e.VersionLedgra = 1;
    e.expertCoche = !e.expertCoche;
    if (e.expertCoche) {
        e.huitCoche = false;
    }
    return e;
}

EditionLedgra ChoisitHuit(EditionLedgra e) {
    e.VersionLedgra = 2;
    e.huitCoche = !e.huitCoche;
    if (e.huitCoche) {
        e.expertCoche = false;
    }
    return e;
}

ParametresTallyra LitParametres(const QString& dossier) {
    const DocumentProfil doc =
        DocumentProfil::Charge(dossier + u'/' + kParametresIni, EncodageFichier::Detecte);
    ParametresTallyra p;
    p.Societe = doc.Lit(kSection, QStringLiteral("Societe"));
    p.Depot = doc.Lit(kSection, QStringLiteral("Depot"));
    p.edition = EditionDepuisTexte(doc.Lit(kSection, QStringLiteral("Ledgra")));
    p.LedgraPath = doc.Lit(kSection, QStringLiteral("LedgraPath"));
    return p;
}

void EnregistreParametres(const QString& dossier, const ParametresTallyra& p) {
    const QString chemin = dossier + u'/' + kParametresIni;
    const QString affiche = QDir::toNativeSeparators(chemin);
    if (!QDir().mkpath(dossier)) {
        throw ErreurKovra(QStringLiteral("Le dossier %1 ne peut pas être créé.")
                              .arg(QDir::toNativeSeparators(dossier)));
    }
    DocumentProfil doc = DocumentProfil::Charge(chemin, EncodageFichier::Detecte);
    const std::pair<QString, QString> valeurs[] = {
        {QStringLiteral("Societe"), p.Societe},
        {QStringLiteral("Depot"), p.Depot},
        {QStringLiteral("Ledgra"), QString::number(p.edition.VersionLedgra)},
        {QStringLiteral("LedgraPath"), p.LedgraPath},
    };
    for (const auto& [cle, valeur] : valeurs) {
        // A value cut or changed on reading would, for the database path, open another file.
        if (!doc.Ecrit(kSection, cle, ValeurRelueTelle(valeur)) ||
            doc.Lit(kSection, cle) != valeur) {
            throw ErreurKovra(
                QStringLiteral("La valeur de %1 ne peut pas être enregistrée telle quelle "
                               "dans %2.")
                    .arg(cle, affiche));
        }
    }
    if (doc.PerteEncodage()) {
        throw ErreurKovra(
            QStringLiteral("Certains caractères ne peuvent pas être enregistrés dans %1.")
                .arg(affiche));
    }
    if (!doc.Enregistre(chemin)) {
        throw ErreurKovra(QStringLiteral("Le fichier %1 ne peut pas être écrit.").arg(affiche));
    }
}

} // namespace kovra::tallyra
