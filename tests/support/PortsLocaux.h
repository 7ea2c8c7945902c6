#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>

namespace kovra::test {

// A local TCP port free at the time of the call (the system's choice), for a server the test
// starts next.
quint16 PortLibre();

// A local port nothing listens on, for as long as the object lives: a connection to
// 127.0.0.1:Port() is refused at once. The port stays bound (without listening), so no
// other program can take it meanwhile.
class PortFerme {
public:
    PortFerme();
    ~PortFerme();
    PortFerme(const PortFerme&) = delete;
    PortFerme& operator=(const PortFerme&) = delete;

    quint16 Port() const { return port_; }

private:
    int socket_ = -1;
    quint16 port_ = 0;
};

// A server on 127.0.0.1 that accepts every connection and never writes a byte: a serial
// device server that hangs, or some other service at the address. It keeps its connections
// open and reads what they send. It runs on the test's event loop.
class EcouteurMuet {
public:
    EcouteurMuet();

    quint16 Port() const { return serveur_.serverPort(); }
    // How many connections it accepted so far.
    int Connexions() const { return connexions_; }
    // Everything its clients sent, in order of arrival.
    QByteArray Recu() const { return recu_; }
    // Closes the connections it holds (the listener stays).
    void FermeConnexions();

private:
    QTcpServer serveur_;
    QList<QTcpSocket*> clients_;
    int connexions_ = 0;
    QByteArray recu_;
};

} // namespace kovra::test
