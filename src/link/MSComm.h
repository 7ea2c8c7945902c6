#pragma once

#include "base/ErreurKovra.h"

#include <QObject>
#include <QSerialPort>
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
// device given, else /dev/ttyS<n-1>.
// A device that goes away (a line hung up, an adapter pulled) is reported once with
// kComEventDevice; once every receiver has seen that event the port is closed, so that
// the dead line cannot raise the same error again and again.
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

    QString NomPeripherique() const;
    bool PortOpen() const { return port_.isOpen(); }
    // Opens (throws ErreurPort when the port cannot be opened or the settings are wrong)
    // or closes the port.
    void SetPortOpen(bool ouvert);
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
    // The port was opened or closed.
    void EtatChange();

private:
    void AppliqueReglages();
    void SurErreur(QSerialPort::SerialPortError erreur);
    void Signale(int evenement, bool perdu);

    QSerialPort port_;
    int evenement_ = 0;
    bool enSortie_ = false;    // inside Output
    bool enOuverture_ = false; // an opening under way: its failure is thrown
    quint64 ouverture_ = 0; // counts the openings, so that a late event of a closed one is dropped
};

} // namespace kovra
