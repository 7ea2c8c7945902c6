#include "edition/ProprietesScenario.h"

#include "base/ErreurKovra.h"
#include "storage/BaseScen.h"
#include "storage/ExporteScenario.h"
#include "storage/FichierProfil.h"

#include <limits>

namespace kovra {

namespace {

const QString kPrefixeLigne = QStringLiteral("--- ");

} // namespace

NombreChamps LitNombreChamps(const std::optional<QString>& reponse) {
    NombreChamps lu;
    const QString texte = reponse.value_or(QString()).trimmed();
    if (texte.isEmpty()) {
        return lu;
    }
    bool ok = false;
    const int n = texte.toInt(&ok);
    if (ok && n == 0) {
        return lu;
    }
    if (!ok || n < 1 || n > std::numeric_limits<qint16>::max()) {
        lu.refus = QStringLiteral("Le nombre de champs doit être un nombre entier de 1 à %1.")
                       .arg(std::numeric_limits<qint16>::max());
        return lu;
    }
    lu.nombre = static_cast<qint16>(n);
    return lu;
}

QString LigneListeScenario(const QString& nom) {
    return kPrefixeLigne + nom;
}

QString NomLigneScenario(const QString& ligne) {
    return ligne.mid(kPrefixeLigne.size());
}

void EnregistreProprietes(BaseScen& base, qint16 numero, const QString& chemin, bool numerote) {
    if (!base.NomParNumero(numero)) {
        throw ErreurKovra(QStringLiteral("Ce scénario n'existe plus."));
    }
    if (const auto probleme = ProblemeLongueurCompilee(
            QStringLiteral("le chemin du fichier de sortie"), ValeurRelueTelle(chemin))) {
        throw ErreurKovra(QStringLiteral("Chemin refusé : %1.").arg(*probleme));
    }
    base.MetAJourCheminSpecif(numero, chemin, numerote ? 1 : 0);
}

} // namespace kovra
