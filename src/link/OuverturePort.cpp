#include "link/OuverturePort.h"
#include "dialogues/Dialogues.h"

#include "base/ErreurKovra.h"

namespace kovra {

namespace {

// The number a value of the file stands for; ErreurKovra when the text is no number.
qint32 Nombre(const ValeurNombre& valeur, const QString& cle) {
    if (!valeur.nombre) {
        // 13: the number Windows programs give a text that is not the number expected.
        throw ErreurKovra(QStringLiteral("PortSerie.ini : la valeur « %1 » de « %2 » n'est pas un "
                                         "nombre.")
                              .arg(valeur.texte, cle),
                          QStringLiteral("13"));
    }
    return *valeur.nombre;
}

qint32 Nombre(const QString& texte, const QString& cle) {
    return Nombre(ValeurNombre{texte, NombrePortSerie(texte)}, cle);
}

} // namespace

QString TexteReglages(const QString& vitesse, const QString& parite, const QString& bits,
                      const QString& arret) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(Nombre(vitesse, kCleVitesse))
        .arg(parite)
        .arg(Nombre(bits, kCleDonnees))
        .arg(Nombre(arret, kCleArret));
}

ResultatOuverture OuvrePort(MSComm& port, EtatLiaison& liaison, const Environnement& env,
                            bool memeInactif) {
    const FichierPortSerie f = LitPortSerie(env.DossierDonnees);
    if (!memeInactif && Nombre(f.portActif, kClePortActif) == 0) {
        return ResultatOuverture::Inactif;
    }
    if (f.port.texte.isEmpty()) {
        env.dialogues.Message(
            QStringLiteral("Veuillez configurer les paramétres de communication."),
            Icone::Information);
        return ResultatOuverture::AConfigurer;
    }
    port.CommPort = Nombre(f.port, kClePort);
    port.Peripherique = f.peripherique;
    port.Settings = TexteReglages(f.vitesse.texte, f.parite, f.bitsDonnees.texte, f.arret.texte);
    liaison.Protocole = f.protocole;
    liaison.TypeTerminal = LitGenreTerminal(liaison.Protocole);
    port.Handshaking = Nombre(f.flux, kCleFlux);
    port.InputLen = 1;
    if (port.PortOpen() || port.EnConnexion()) {
        env.dialogues.Message(QStringLiteral("Le port de communication : ") +
                                  QString::number(port.CommPort) +
                                  QStringLiteral(" est déja ouvert"),
                              Icone::Critique);
        return ResultatOuverture::DejaOuvert;
    }
    port.SetPortOpen(true);
    env.dialogues.Bip();
    return ResultatOuverture::Ouvert;
}

} // namespace kovra
