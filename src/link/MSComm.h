#pragma once

#include "base/ErreurKovra.h"
#include "link/Transport.h"
#include "link/TransportReseau.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace kovra {

// The events the port reports through CommEvent.
enum EvenementPort : int {
    kComEvReceive = 2,      // characters received
    kComEventTxFull = 1010, // a write failed
    kComEventDevice = 1099, // the device went away or failed
};

// The serial port of the program, with the operations a terminal link needs: the port
// number (or a device path that replaces it), the settings text "9600,N,8,1", the
// handshaking, how many characters a read takes, opening and closing, reading and
// writing text (bytes as Windows-1252), the count of waiting characters, the last event,
// and a notification for every event. Port n is "COMn" on Windows; elsewhere the
// device given, else /dev/ttyS<n-1>. The device may also be a serial device server on the
// network ("tcp://host:port", "rfc2217://host:port"): opening it starts the connection,
// and the port counts as open once the connection is made (EnConnexion meanwhile).
// A device that goes away (a line hung up, an adapter pulled, a connection lost or never
// made) is reported once with kComEventDevice, its cause in DernierePerte; once every
// receiver has seen that event the port is closed, so that the dead line cannot raise the
// same error again and again.
class MSComm : public QObject {
    Q_OBJECT
public:
    // The error number of a port that cannot be opened (invalid port), and of settings the
    // port cannot take.
    static constexpr int kErreurPortInvalide = 8002;
    static constexpr int kErreurReglages = 380;

    // The port would not open or take its settings; Numero is the control's error number.
    class ErreurPort : public ErreurKovra {
    public:
        ErreurPort(int numero, const QString& message)
            : ErreurKovra(message, QString::number(numero)), Numero(numero) {}
        int Numero;
    };

    explicit MSComm(QObject* parent = nullptr);

    int CommPort = 1;
    QString Peripherique; // a device path standing for the port number when not empty
    QString Settings = QStringLiteral("9600,N,8,1");
    int Handshaking = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
    int InputLen = 0;    // characters a read takes; 0: all that wait

    // How long each step of a network link may take.
    DelaisReseau Delais;

    QString NomPeripherique() const;
    // Whether the device is a serial device server on the network.
    bool Reseau() const;
    bool PortOpen() const { return transport_ != nullptr && transport_->Pret(); }
    // Whether the connection to a network device is being made.
    bool EnConnexion() const { return transport_ != nullptr && transport_->EnConnexion(); }
    // Opens (throws ErreurPort when the port cannot be opened or the settings are wrong)
    // or closes the port. Opening a port already open or being connected does nothing.
    void SetPortOpen(bool ouvert);
    // Makes the line ready for the next transfer: a local line is closed and opened again
    // (a line that does not open again is reported as gone, kComEventDevice); a network
    // link is kept (the server would close its device, and lose what the terminal sends,
    // meanwhile).
    void Reinitialise();
    // Why the port was last lost.
    const PerteLiaison& DernierePerte() const { return perte_; }
    QString Input();
    // Writes the text; false when the port is closed or the bytes could not be written (the
    // far end gone, a write error): the terminal did not get them. The event such a failure
    // raises reaches the receivers on the next turn of the event loop, after the caller
    // has dealt with the failure.
    [[nodiscard]] bool Output(const QString& texte);
    int InBufferCount() const;
    int CommEvent() const { return evenement_; }

signals:
    void OnComm();
    // The port was opened (a network link: connected) or closed.
    void EtatChange();

private:
    // The line settings of Settings and Handshaking; nothing when Settings is no valid text.
    std::optional<ReglagesLigne> ReglagesDemandes() const;
    void CreeTransport();
    void SurIncident(int evenement, bool perdu);
    void Signale(int evenement, bool perdu);

    QPointer<Transport> transport_;
    bool ouvert_ = false; // opened by the program (a network link maybe not made yet)
    PerteLiaison perte_;
    int evenement_ = 0;
    bool enSortie_ = false; // inside Output
    quint64 ouverture_ = 0; // counts the openings, so that a late event of a closed one is dropped
};

} // namespace kovra
