#include "link/OuverturePort.h"
#include "dialogues/Dialogues.h"

#include "base/ErreurKovra.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"

#include <cmath>

namespace kovra {

namespace {

// The integer part of a number written in the file ("1.5" gives 1); ErreurKovra when the
// text is no number.
long long PartieEntiere(const QString& texte, const QString& cle) {
    bool ok = false;
    const double v = texte.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 2147483647.0) {
        // 13: the number Windows programs give a text that is not the number expected.
        throw ErreurKovra(QStringLiteral("PortSerie.ini : la valeur « %1 » de « %2 » n'est pas un "
                                         "nombre.")
                              .arg(texte, cle),
                          QStringLiteral("13"));
    }
    return static_cast<long long>(std::trunc(v));
}

} // namespace

QString TexteReglages(const QString& vitesse, const QString& parite, const QString& bits,
                      const QString& arret) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(PartieEntiere(vitesse, QStringLiteral("Vitesse")))
        .arg(parite)
        .arg(PartieEntiere(bits, QStringLiteral("Bit de donnée")))
        .arg(PartieEntiere(arret, QStringLiteral("Bit d'arrêt")));
}

ResultatOuverture OuvrePort(MSComm& port, EtatLiaison& liaison, const Environnement& env,
                            bool memeInactif) {
    const DocumentProfil ini = DocumentProfil::Charge(CheminDonnee(env.DossierDonnees, kPortSerie));
    const auto lit = [&](const char* cle) {
        return ini.Lit(kSectionPort, QString::fromUtf8(cle));
    };

    if (!memeInactif && PartieEntiere(lit("PortActif"), QStringLiteral("PortActif")) == 0) {
        return ResultatOuverture::Inactif;
    }
    const QString numero = lit("Port");
    if (numero.isEmpty()) {
        env.dialogues.Message(
            QStringLiteral("Veuillez configurer les paramétres de communication."),
            Icone::Information);
        return ResultatOuverture::AConfigurer;
    }
    port.CommPort = static_cast<int>(PartieEntiere(numero, QStringLiteral("Port")));
    port.Peripherique = lit("Peripherique");
    port.Settings = TexteReglages(lit("Vitesse"), lit("Bit de parité"), lit("Bit de donnée"),
                                  lit("Bit d'arrêt"));
    liaison.Protocole = lit("Protocol");
    liaison.TypeTerminal = LitGenreTerminal(liaison.Protocole);
    port.Handshaking = static_cast<int>(PartieEntiere(lit("Flux"), QStringLiteral("Flux")));
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
