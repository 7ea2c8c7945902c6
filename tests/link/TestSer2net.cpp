// The harness of terminals on serial device servers, checked through a plain socket: a real
// ser2net on a pseudo-terminal, a listener that never answers, a port nothing listens on,
// and a black hole.
#include "support/Attente.h"
#include "support/PortsLocaux.h"
#include "support/Ser2net.h"
#include "support/TrouNoir.h"

#include <QTcpSocket>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using kovra::test::AttendQue;
using kovra::test::EcouteurMuet;
using kovra::test::PortFerme;
using kovra::test::ReglagesLigne;
using kovra::test::Ser2net;
using kovra::test::TourneBoucle;
using kovra::test::TrouNoir;

namespace {

// A client connected to 127.0.0.1:port, keeping all it received.
struct Client {
    explicit Client(quint16 port) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { recu += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        AttendQue([this] { return socket.state() != QAbstractSocket::ConnectingState; });
    }
    bool Connecte() const { return socket.state() == QAbstractSocket::ConnectedState; }
    bool Ferme() const { return socket.state() == QAbstractSocket::UnconnectedState; }
    // What it received once it holds at least `n` bytes (or after 10 s).
    QByteArray Attend(qsizetype n) {
        AttendQue([&] { return recu.size() >= n; });
        return recu;
    }
    void Ecrit(const QByteArray& octets) {
        socket.write(octets);
        AttendQue([this] { return socket.bytesToWrite() == 0; });
    }

    QTcpSocket socket;
    QByteArray recu;
};

// The bytes of a literal, NULs included.
template <qsizetype N> QByteArray Octets(const char (&texte)[N]) {
    return QByteArray(texte, N - 1);
}

// What ser2net's Telnet port sends first: WILL SUPPRESS-GO-AHEAD, DO SUPPRESS-GO-AHEAD,
// WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION.
const QByteArray kNegociation = Octets("\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01"
                                       "\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c");

QByteArray ChaqueOctet() {
    QByteArray octets;
    for (int i = 0; i < 256; ++i) {
        octets.append(static_cast<char>(i));
    }
    return octets;
}

// IAC SB COM-PORT-OPTION code value IAC SE.
QByteArray Sous(int code, const QByteArray& valeur) {
    return QByteArray("\xff\xfa\x2c") + static_cast<char>(code) + valeur + "\xff\xf0";
}

} // namespace

TEST(Ser2net, RawPortPassesEveryByteValueBothWays) {
    Ser2net serveur;
    ASSERT_TRUE(serveur.Pret());
    Client c(serveur.PortBrut());
    ASSERT_TRUE(c.Connecte());
    const QByteArray tous = ChaqueOctet() + Octets("\xff\xff\r\0\n"); // 0xFF twice, CR NUL
    serveur.Envoie(tous);
    EXPECT_EQ(c.Attend(tous.size()), tous);
    c.Ecrit(tous);
    EXPECT_EQ(serveur.Recoit(static_cast<int>(tous.size())), tous);
}

TEST(Ser2net, KillingItDropsTheConnectionAndARestartServesTheSamePort) {
    Ser2net serveur;
    ASSERT_TRUE(serveur.Pret());
    const quint16 port = serveur.PortBrut();
    Client avant(port);
    ASSERT_TRUE(avant.Connecte());
    serveur.Arrete();
    EXPECT_TRUE(AttendQue([&] { return avant.Ferme(); }));
    ASSERT_TRUE(serveur.Redemarre());
    EXPECT_EQ(serveur.PortBrut(), port);
    Client apres(port);
    ASSERT_TRUE(apres.Connecte());
    serveur.Envoie("B200\r");
    EXPECT_EQ(apres.Attend(5), "B200\r");
}

TEST(Ser2net, BytesTheTerminalSendsWhileNoClientIsThereWaitForTheNextOne) {
    Ser2net serveur;
    ASSERT_TRUE(serveur.Pret());
    serveur.Envoie("C300\r");
    Client c(serveur.PortBrut());
    ASSERT_TRUE(c.Connecte());
    EXPECT_EQ(c.Attend(5), "C300\r");
}

TEST(Ser2net, AMissingDeviceIsSaidInTheConnectionWhichThenCloses) {
    Ser2net serveur("/dev/kovra-absent");
    ASSERT_TRUE(serveur.Pret());
    const QByteArray message = "Device open failure: Value or file not found\r\n";
    Client brut(serveur.PortBrut());
    EXPECT_EQ(brut.Attend(message.size()), message);
    EXPECT_TRUE(AttendQue([&] { return brut.Ferme(); }));
    // Telnet: the negotiation, then the same message.
    Client telnet(serveur.PortRfc2217());
    EXPECT_EQ(telnet.Attend(kNegociation.size() + message.size()), kNegociation + message);
    EXPECT_TRUE(AttendQue([&] { return telnet.Ferme(); }));
}

TEST(Ser2net, Rfc2217SettingsReachTheLineAndAreEchoed) {
    Ser2net serveur;
    ASSERT_TRUE(serveur.Pret());
    Client c(serveur.PortRfc2217());
    ASSERT_TRUE(c.Connecte());
    c.Ecrit("\xff\xfb\x2c"); // IAC WILL COM-PORT-OPTION
    // Answered with NOTIFY-MODEMSTATE 0.
    const QByteArray debut = kNegociation + Octets("\xff\xfa\x2c\x6b\x00\xff\xf0");
    ASSERT_EQ(c.Attend(debut.size()), debut);
    // The connector's 9600 8N1, then each request in turn: what the line holds after it. A
    // pseudo-terminal keeps 8 data bits and no parity bit whatever is asked.
    EXPECT_EQ(serveur.Reglages(), (ReglagesLigne{.vitesse = 9600}));
    struct Cas {
        int code;
        QByteArray valeur;
        ReglagesLigne attendu;
    };
    const Cas cas[] = {
        {1, Octets("\x00\x00\x4b\x00"), {.vitesse = 19200}},
        {4, "\x02", {.vitesse = 19200, .bitsArret = 2}},
        {5, "\x03", {.vitesse = 19200, .bitsArret = 2, .rtsCts = true}},
        {5, "\x02", {.vitesse = 19200, .bitsArret = 2, .xon = true, .xoff = true}},
        {3,
         "\x02",
         {.vitesse = 19200, .pariteImpaire = true, .bitsArret = 2, .xon = true, .xoff = true}},
        {1,
         Octets("\x00\x00\x30\x39"),
         {.vitesse = 12345, .pariteImpaire = true, .bitsArret = 2, .xon = true, .xoff = true}},
    };
    for (const Cas& k : cas) {
        c.recu.clear();
        c.Ecrit(Sous(k.code, k.valeur));
        const QByteArray reponse = Sous(k.code + 100, k.valeur);
        EXPECT_EQ(c.Attend(reponse.size()), reponse) << "request " << k.code;
        AttendQue([&] { return serveur.Reglages() == k.attendu; });
        EXPECT_EQ(serveur.Reglages(), k.attendu) << "request " << k.code;
    }
}

TEST(EcouteurMuet, AcceptsEveryConnectionAndNeverAnswers) {
    EcouteurMuet ecouteur;
    Client premier(ecouteur.Port());
    Client second(ecouteur.Port());
    ASSERT_TRUE(premier.Connecte());
    ASSERT_TRUE(second.Connecte());
    premier.Ecrit("READ\r\n");
    EXPECT_TRUE(
        AttendQue([&] { return ecouteur.Connexions() == 2 && ecouteur.Recu() == "READ\r\n"; }));
    TourneBoucle(20);
    EXPECT_TRUE(premier.recu.isEmpty());
    EXPECT_TRUE(premier.Connecte());
    ecouteur.FermeConnexions();
    EXPECT_TRUE(AttendQue([&] { return premier.Ferme() && second.Ferme(); }));
}

TEST(PortFerme, RefusesConnections) {
    PortFerme ferme;
    Client c(ferme.Port());
    EXPECT_TRUE(c.Ferme());
    EXPECT_EQ(c.socket.error(), QAbstractSocket::ConnectionRefusedError);
}

TEST(TrouNoir, LeavesKeepaliveProbesUnansweredUntilStopped) {
    if (const QString raison = TrouNoir::Impossible(); !raison.isEmpty()) {
        GTEST_SKIP() << raison.toStdString();
    }
    EcouteurMuet ecouteur;
    Client sonde(ecouteur.Port());
    Client autre(ecouteur.Port());
    ASSERT_TRUE(sonde.Connecte());
    ASSERT_TRUE(autre.Connecte());
    // Probes after 1 s of silence, 1 s apart; the connection is dead after 2 unanswered.
    const int fd = static_cast<int>(sonde.socket.socketDescriptor());
    for (const auto& [niveau, option, valeur] : {std::tuple{SOL_SOCKET, SO_KEEPALIVE, 1},
                                                 {IPPROTO_TCP, TCP_KEEPIDLE, 1},
                                                 {IPPROTO_TCP, TCP_KEEPINTVL, 1},
                                                 {IPPROTO_TCP, TCP_KEEPCNT, 2}}) {
        ASSERT_EQ(setsockopt(fd, niveau, option, &valeur, sizeof valeur), 0);
    }
    TrouNoir trou;
    ASSERT_TRUE(trou.Demarre(ecouteur.Port())) << trou.Erreur().toStdString();
    autre.socket.write("perdu");
    EXPECT_TRUE(AttendQue([&] { return sonde.Ferme(); }, 20000));
    EXPECT_EQ(sonde.socket.error(), QAbstractSocket::SocketTimeoutError)
        << sonde.socket.errorString().toStdString();
    EXPECT_TRUE(ecouteur.Recu().isEmpty());
    // Stopped, the black hole lets the retransmitted bytes through.
    trou.Arrete();
    EXPECT_TRUE(AttendQue([&] { return ecouteur.Recu() == "perdu"; }, 20000));
    EXPECT_TRUE(autre.Connecte());
}
