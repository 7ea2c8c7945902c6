#include "link/FichierPortSerie.h"

#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"

#include <cmath>
#include <limits>

namespace kovra {

std::optional<qint32> NombrePortSerie(const QString& texte) {
    bool ok = false;
    const double v = texte.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > std::numeric_limits<qint32>::max()) {
        return std::nullopt;
    }
    return static_cast<qint32>(std::trunc(v));
}

FichierPortSerie LitPortSerie(const DocumentProfil& ini) {
    const auto texte = [&](const QString& cle) {
        return ini.Lit(kSectionPort, cle);
    };
    const auto nombre = [&](const QString& cle) {
        const QString t = texte(cle);
        return ValeurNombre{t, NombrePortSerie(t)};
    };
    FichierPortSerie f;
    f.portActif = nombre(kClePortActif);
    f.port = nombre(kClePort);
    f.peripherique = texte(kClePeripherique);
    f.vitesse = nombre(kCleVitesse);
    f.bitsDonnees = nombre(kCleDonnees);
    f.parite = texte(kCleParite);
    f.arret = nombre(kCleArret);
    f.flux = nombre(kCleFlux);
    f.protocole = texte(kCleProtocole);
    f.fichier = texte(kCleFichier);
    f.repertoire = texte(kCleRepertoire);
    return f;
}

FichierPortSerie LitPortSerie(const QString& dossierDonnees) {
    return LitPortSerie(DocumentProfil::Charge(CheminDonnee(dossierDonnees, kPortSerie)));
}

} // namespace kovra
