#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <ostream>
#include <string>

// A real serial device server, ser2net 4.3 (Debian's /usr/sbin/ser2net), serving a
// pseudo-terminal on two local TCP ports: one raw ("tcp://127.0.0.1:PortBrut()") and one
// Telnet with the COM-PORT-OPTION ("rfc2217://127.0.0.1:PortRfc2217()"). The test plays
// the terminal on the pseudo-terminal's master side.
//
// How ser2net 4.3.11 behaves, found by experiment on Linux 6 (Debian 12 package):
//
// - It opens the device when a client connects, not at start-up, and sets the line from
//   the connector ("9600n81,local": 9600 bits/s, 8N1, CLOCAL); it puts the device's own
//   settings back when the client goes. Killed (SIGKILL), it leaves them as it set them.
// - One client at a time per device. A second client on the same port gets
//   "Port already in use\r\n" and is closed; a client on the other port while the device is
//   held gets "Port's device already in use\r\n" and is closed (Telnet: after the
//   negotiation below). With "kickolduser: true" the new client takes over and the old one
//   is closed without a word.
// - A device it cannot open: the client gets "Device open failure: REASON\r\n", then the
//   connection is closed at once. REASON is "Value or file not found" (no such device),
//   "Permission denied", "OS error, see logs" (not a terminal). On the Telnet port the
//   negotiation below comes first. Nothing else is written unless the configuration asks for
//   it (banner, signature).
// - Bytes the terminal writes while no client is connected stay in the pseudo-terminal and
//   reach the next client when it connects (a real UART, closed, would lose them).
// - Raw port: every byte passes both ways unchanged, 0xFF included.
// - Telnet port: its first bytes are IAC WILL SUPPRESS-GO-AHEAD, IAC DO SUPPRESS-GO-AHEAD,
//   IAC WILL ECHO, IAC DONT ECHO, IAC DO BINARY, IAC WILL BINARY, IAC DO COM-PORT-OPTION
//   (FF FB 03 FF FD 03 FF FB 01 FF FE 01 FF FD 00 FF FB 00 FF FD 2C). 0xFF is doubled
//   (IAC IAC) both ways. CR is never translated, BINARY or not: CR NUL from the client
//   reaches the line as CR NUL, a CR from the line reaches the client as a lone CR.
//   The client's IAC WILL COM-PORT-OPTION is answered with NOTIFY-MODEMSTATE 0
//   (FF FA 2C 6B 00 FF F0); the first IAC WILL SUPPRESS-GO-AHEAD is answered IAC DO SGA
//   again; IAC WONT/DONT BINARY are acknowledged (IAC DONT/WONT BINARY).
// - RFC 2217 replies (IAC SB 44 code+100 value IAC SE): SET-BAUDRATE echoes the 4-byte
//   speed asked, any speed (an uncommon one is set as such, BOTHER); SET-DATASIZE (5 to 8),
//   SET-PARITY (1 to 5), SET-STOPSIZE (1, 2) and SET-CONTROL (1 none, 2 XON/XOFF,
//   3 RTS/CTS) echo the value asked, even where the device kept another. Value 0 (a
//   question) gets the value last asked, not what the device holds. SET-STOPSIZE 3 (1.5)
//   gets no reply and changes nothing. SET-CONTROL 8/9/11/12 (DTR, RTS) get no reply on a
//   pseudo-terminal. SIGNATURE (code 0, empty) gets "ser2net" unless "signature:" says
//   otherwise. PURGE-DATA n gets 112 n. SET-MODEMSTATE-MASK 0 gets NOTIFY-MODEMSTATE 0
//   (107 0), not 111. FLOWCONTROL-SUSPEND and -RESUME (8, 9) get a stray 105 1.
// - A Linux pseudo-terminal keeps the speed, CSTOPB, CRTSCTS, IXON, IXOFF, PARODD and
//   CMSPAR that ser2net sets, but the kernel forces CS8 and clears PARENB: the data bits and
//   whether there is parity cannot be checked here, only ser2net's replies to them.

namespace kovra::test {

// The line's settings as the pseudo-terminal holds them.
struct ReglagesLigne {
    qint64 vitesse = 0;         // bits per second
    int bitsDonnees = 8;        // CSIZE (always 8 on a pseudo-terminal)
    bool parite = false;        // PARENB (always off on a pseudo-terminal)
    bool pariteImpaire = false; // PARODD
    bool pariteFixe = false;    // CMSPAR (mark or space)
    int bitsArret = 1;          // 2 with CSTOPB
    bool rtsCts = false;        // CRTSCTS
    bool xon = false;           // IXON: the line stops sending on XOFF
    bool xoff = false;          // IXOFF: the line sends XOFF when full

    bool operator==(const ReglagesLigne&) const = default;
};

// "19200 8N2 rtscts ixon ixoff", for test failures.
std::string Texte(const ReglagesLigne& r);
inline void PrintTo(const ReglagesLigne& r, std::ostream* os) {
    *os << Texte(r);
}

class Ser2net {
public:
    // Serves a pseudo-terminal of its own, or, given `peripherique`, that path instead (which
    // need not exist). Starts at once and waits (10 s at most) until both ports accept
    // connections; a failure to start fails the test (Pret() tells).
    explicit Ser2net(const QString& peripherique = QString());
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    bool Pret() const { return pret_; }
    quint16 PortBrut() const { return portBrut_; }
    quint16 PortRfc2217() const { return portRfc2217_; }
    // The device ser2net serves: the pseudo-terminal's own path, or the one given.
    QString Peripherique() const { return peripherique_; }
    // What ser2net printed (its configuration errors, its log).
    QString Journal() const;

    // Kills it (SIGKILL): its connections drop at once; the pseudo-terminal stays, with
    // what ser2net last set on it.
    void Arrete();
    // Starts it again on the same ports; whether it serves them.
    bool Redemarre();

    // The terminal writes bytes on the line.
    void Envoie(const QByteArray& octets);
    // What came out of the line, waiting up to `ms` for at least `attendus` bytes; the event
    // loop runs meanwhile.
    QByteArray Recoit(int attendus, int ms = 10000);
    // How the line is set now.
    ReglagesLigne Reglages() const;

private:
    bool Demarre();
    bool Ecoute() const;

    QTemporaryDir dossier_;
    QProcess processus_;
    int maitre_ = -1;
    int esclave_ = -1;
    QString peripherique_;
    quint16 portBrut_ = 0;
    quint16 portRfc2217_ = 0;
    bool pret_ = false;
    bool portPris_ = false; // the last start found a port taken
};

} // namespace kovra::test
