#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <optional>

namespace kovra {

// The line settings of a port: what "9600,N,8,1" and the handshaking say.
struct ReglagesLigne {
    qint32 vitesse = 9600;
    int bitsDonnees = 8;
    QChar parite = u'N'; // N, E, O, M or S
    enum class Arret { Un, UnEtDemi, Deux };
    Arret arret = Arret::Un;
    int flux = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both

    bool operator==(const ReglagesLigne&) const = default;
};

// Why a port's link went away or could not be made.
struct PerteLiaison {
    enum class Cause {
        Debranche,         // a local device gone (line hung up, adapter pulled)
        HoteInconnu,       // the server's name does not resolve
        Refusee,           // nothing listens on the server's port
        Injoignable,       // no route to the server, or no answer to the connection
        FermeeParServeur,  // the server closed the connection
        Silence,           // the server stopped answering (keepalive)
        Coupee,            // any other network failure
        OptionRefusee,     // the server refused the COM-PORT-OPTION
        SansReponseOption, // the server accepted the connection but never answered the option
        ReglageRefuse,     // the server did not take a line setting
        MessageServeur,    // the server wrote a text of its own (it cannot open its device...)
    };
    Cause cause = Cause::Debranche;
    QString detail; // the system's or the server's words

    bool operator==(const PerteLiaison&) const = default;
};

// What the user reads of a loss, in French: "connexion refusée par le serveur", ...
QString DecritPerte(const PerteLiaison& perte);

// How a port reaches its terminal: a local serial device, or a serial device server on the
// network. The port object holds one while it is open and keeps the rest (the events,
// the text decoding, the program's view of the port) the same for all of them.
class Transport : public QObject {
    Q_OBJECT
public:
    // Opens the link; the reason in French when it cannot be opened at once. A network
    // link is then being made: Pret() turns true with Connecte(), or Perdu() says why not.
    virtual std::optional<QString> Ouvre(const ReglagesLigne& reglages) = 0;
    virtual void Ferme() = 0;
    // Whether bytes flow both ways now.
    virtual bool Pret() const = 0;
    // Whether a network link is being made (the connection, then its negotiation).
    virtual bool EnConnexion() const { return false; }
    // Whether closing and reopening the link costs the terminal nothing (a local line);
    // a network link is kept, as the server would close its device meanwhile.
    virtual bool RouvertureSansPerte() const { return true; }
    // Takes up to `maximum` bytes received (all of them when 0).
    virtual QByteArray Lit(qint64 maximum) = 0;
    virtual qint64 Disponibles() const = 0;
    // Hands the bytes to the line; false when they could not be (the link gone).
    virtual bool Ecrit(const QByteArray& octets) = 0;

signals:
    void Arrivee(); // bytes were received
    void Connecte();
    // The link went away or could not be made. What was received before stays readable
    // until the port closes the transport, once its receivers have seen the loss.
    void Perdu(const kovra::PerteLiaison& perte);
    void EchecEcriture(); // a write failed on a link that stays
};

} // namespace kovra
