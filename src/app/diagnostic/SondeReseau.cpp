#include "app/diagnostic/SondeReseau.h"

#include "link/MSComm.h"

#include <QEventLoop>

namespace kovra {

namespace {

QString Anglais(const PerteLiaison& perte, int delaiMs) {
    using Cause = PerteLiaison::Cause;
    const QString secondes = QString::number(delaiMs / 1000.0);
    switch (perte.cause) {
    case Cause::HoteInconnu:
        return QStringLiteral("the server's name does not resolve (%1). Fix: check the name, or "
                              "give its IP address.")
            .arg(perte.detail);
    case Cause::Refusee:
        return QStringLiteral("the connection is refused: nothing listens on that port of the "
                              "server. Fix: check the port number and that the server (ser2net) "
                              "runs.");
    case Cause::Injoignable:
        return QStringLiteral("the server does not answer within %1 s (%2). Fix: check that it "
                              "is on and reachable from this PC (cable, address, firewall).")
            .arg(secondes, perte.detail);
    case Cause::FermeeParServeur:
        return QStringLiteral("the server accepted the connection, then closed it. Fix: look at "
                              "the server's log (another client may hold the port).");
    case Cause::OptionRefusee:
        return QStringLiteral("the server refuses the RFC 2217 option. Fix: enable RFC 2217 on "
                              "the server (ser2net: accepter telnet(rfc2217),tcp,PORT), or use "
                              "tcp:// with the line set on the server.");
    case Cause::SansReponseOption:
        return QStringLiteral("the server does not answer the RFC 2217 option within %1 s. Fix: "
                              "is it an RFC 2217 server? Otherwise use tcp://.")
            .arg(secondes);
    case Cause::ReglageRefuse:
        return QStringLiteral("the server does not take a line setting (%1). Fix: choose "
                              "settings its serial port can take.")
            .arg(perte.detail);
    case Cause::MessageServeur:
        return QStringLiteral("the server says \"%1\" and closes the connection. Fix: check the "
                              "device named in its configuration (is the terminal's line or "
                              "adapter there?).")
            .arg(perte.detail);
    case Cause::Silence:
    case Cause::Coupee:
    case Cause::Debranche:
        break;
    }
    return QStringLiteral("the connection failed (%1).").arg(perte.detail);
}

} // namespace

std::optional<QString> SondeServeurSerie(const QString& adresse, const QString& reglages, int flux,
                                         int delaiMs) {
    MSComm port;
    port.Peripherique = adresse;
    port.Settings = reglages;
    port.Handshaking = flux;
    port.Delais.connexionMs = delaiMs;
    port.Delais.negociationMs = delaiMs;
    port.Delais.texteMs = std::min(delaiMs, port.Delais.texteMs);
    QEventLoop boucle;
    std::optional<QString> probleme;
    QObject::connect(&port, &MSComm::EtatChange, &boucle, [&] {
        if (port.PortOpen()) {
            boucle.quit();
        }
    });
    QObject::connect(&port, &MSComm::OnComm, &boucle, [&] {
        if (port.CommEvent() == kComEventDevice) {
            probleme = Anglais(port.DernierePerte(), delaiMs);
            boucle.quit();
        }
    });
    try {
        port.SetPortOpen(true);
    } catch (const MSComm::ErreurPort& e) {
        return e.Message();
    }
    if (!port.PortOpen()) {
        boucle.exec();
    }
    port.SetPortOpen(false);
    return probleme;
}

} // namespace kovra
