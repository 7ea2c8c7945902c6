#include "link/MSComm.h"
#include "link/SurveillancePort.h"
#include "link/Telnet.h"
#include "support/Attente.h"
#include "support/MinuterieManuelle.h"

#include "dialogues/DialoguesScriptes.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::MinuterieManuelle;
using kovra::test::TourneBoucle;
using Cause = PerteLiaison::Cause;

namespace {

// A device server of the test's own on the loopback: what the port wrote, and what it is
// sent, byte for byte.
struct Serveur {
    Serveur() {
        EXPECT_TRUE(ecoute.listen(QHostAddress::LocalHost));
        QObject::connect(&ecoute, &QTcpServer::newConnection, [this] {
            client = ecoute.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead,
                             [this, c = client.data()] { recu += c->readAll(); });
            if (accueil) {
                accueil();
            }
        });
    }
    QString Adresse(const char* schema) const {
        return QStringLiteral("%1://127.0.0.1:%2").arg(schema).arg(ecoute.serverPort());
    }
    void Envoie(const QByteArray& octets) {
        ASSERT_TRUE(AttendQue([&] { return client != nullptr; }));
        client->write(octets);
        client->flush();
    }
    // Waits until the port has written `attendu` (and nothing else).
    bool Recoit(const QByteArray& attendu) {
        AttendQue([&] { return recu.size() >= attendu.size(); });
        return std::exchange(recu, QByteArray()) == attendu;
    }

    QTcpServer ecoute;
    QPointer<QTcpSocket> client;
    QByteArray recu;
    std::function<void()> accueil; // what it does when the port connects
};

// A port on the server, with the events it raised.
struct Port {
    explicit Port(const QString& adresse, const QString& reglages = "9600,N,8,1", int flux = 0) {
        port.Peripherique = adresse;
        port.Settings = reglages;
        port.Handshaking = flux;
        port.Delais.negociationMs = 400;
        port.Delais.texteMs = 300;
        QObject::connect(&port, &MSComm::OnComm, [this] {
            evenements << port.CommEvent();
            if (port.CommEvent() == kComEvReceive || port.CommEvent() == kComEventDevice) {
                port.InputLen = 0;
                lu += port.Input();
            }
        });
    }
    bool Perdu() const { return evenements.contains(kComEventDevice); }

    MSComm port;
    QList<int> evenements;
    QString lu;
};

QByteArray Octets(std::initializer_list<int> valeurs) {
    QByteArray b;
    for (const int v : valeurs) {
        b.append(static_cast<char>(v));
    }
    return b;
}

// The server's side of a telnet negotiation that accepts everything asked.
const QByteArray kAccepte = Octets({255, 253, 44, 255, 253, 0, 255, 251, 0});

} // namespace

TEST(TransportReseau, RawTcpCarriesEveryByteBothWays) {
    Serveur s;
    Port p(s.Adresse("tcp"));
    p.port.SetPortOpen(true);
    EXPECT_TRUE(p.port.EnConnexion());
    EXPECT_FALSE(p.port.PortOpen());
    ASSERT_TRUE(AttendQue([&] { return p.port.PortOpen(); }));

    s.Envoie("A\xFF\xE9\r\n");
    ASSERT_TRUE(AttendQue([&] { return p.lu.size() == 5; }));
    EXPECT_EQ(p.lu, QString::fromUtf8("A\u00FF\u00E9\r\n"));
    EXPECT_TRUE(p.port.Output(QString::fromUtf8("ACK\u00FF\r")));
    EXPECT_TRUE(s.Recoit("ACK\xFF\r"));
    EXPECT_FALSE(p.Perdu());
}

TEST(TransportReseau, Rfc2217AsksForTheLineSettingsAndEscapesIacBothWays) {
    const struct {
        const char* reglages;
        int flux;
        QByteArray demandes; // the subnegotiations, after the option is accepted
    } cas[] = {
        {"9600,N,8,1", 0, Octets({255, 250, 44,  1,   0,   0,   37,  128, 255, 240, 255, 250, 44,
                                  2,   8,   255, 240, 255, 250, 44,  3,   1,   255, 240, 255, 250,
                                  44,  4,   1,   255, 240, 255, 250, 44,  5,   1,   255, 240})},
        {"19200,E,7,2", 1, Octets({255, 250, 44,  1,   0,   0,   75,  0,  255, 240, 255, 250, 44,
                                   2,   7,   255, 240, 255, 250, 44,  3,  3,   255, 240, 255, 250,
                                   44,  4,   2,   255, 240, 255, 250, 44, 5,   2,   255, 240})},
        // 16 777 215 baud holds 0xFF bytes: doubled inside the subnegotiation too.
        {"16777215,O,5,1.5", 3,
         Octets({255, 250, 44,  1,   0,   255, 255, 255, 255, 255, 255, /* IAC SE */ 255,
                 240, 255, 250, 44,  2,   5,   255, 240, 255, 250, 44,  3,
                 2,   255, 240, 255, 250, 44,  4,   3,   255, 240, 255, 250,
                 44,  5,   3,   255, 240})},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.reglages);
        Serveur s;
        Port p(s.Adresse("rfc2217"), c.reglages, c.flux);
        p.port.SetPortOpen(true);
        ASSERT_TRUE(s.Recoit(Octets({255, 251, 44, 255, 251, 0, 255, 253, 0})));
        s.Envoie(kAccepte);
        ASSERT_TRUE(s.Recoit(c.demandes));
        EXPECT_FALSE(p.port.PortOpen()); // not before every setting is confirmed
        // The server confirms each setting with its number plus 100 and the value.
        QByteArray reponses = c.demandes;
        for (qsizetype i = 0; i + 3 < reponses.size(); ++i) {
            if (reponses.mid(i, 3) == Octets({255, 250, 44})) {
                reponses[i + 3] = static_cast<char>(reponses[i + 3] + 100);
            }
        }
        s.Envoie(reponses);
        ASSERT_TRUE(AttendQue([&] { return p.port.PortOpen(); }));

        s.Envoie(Octets({'A', 255, 255, 'B', 255, 241, 'C'})); // IAC IAC, then a NOP
        ASSERT_TRUE(AttendQue([&] { return p.lu.size() == 4; }));
        EXPECT_EQ(p.lu, QString::fromUtf8("A\u00FFBC"));
        EXPECT_TRUE(p.port.Output(QString::fromUtf8("\u00FFX")));
        EXPECT_TRUE(s.Recoit(Octets({255, 255, 'X'})));
    }
}

TEST(TransportReseau, EachNetworkFaultIsALossWithItsCause) {
    const struct {
        const char* nom;
        const char* schema;
        std::function<void(Serveur&)> accueil;
        Cause cause;
        const char* detail;
    } cas[] = {
        {"server closes", "tcp", [](Serveur& s) { s.client->close(); }, Cause::FermeeParServeur,
         ""},
        {"option refused", "rfc2217",
         [](Serveur& s) {
             s.Envoie(Octets({255, 254, 44}));
         },
         Cause::OptionRefusee, ""},
        {"silent server", "rfc2217", [](Serveur&) {}, Cause::SansReponseOption, ""},
        {"setting refused", "rfc2217",
         [](Serveur& s) {
             s.Envoie(kAccepte + Octets({255, 250, 44, 101, 0, 0, 4, 176, 255, 240}));
         },
         Cause::ReglageRefuse, "vitesse : le serveur a appliqué 1200 au lieu de 9600"},
        {"ser2net without its device", "tcp",
         [](Serveur& s) {
             s.Envoie("Device open failure: Value or file not found\r\n");
             s.client->close();
         },
         Cause::MessageServeur, "Device open failure: Value or file not found"},
        {"ser2net, telnet mode", "rfc2217",
         [](Serveur& s) {
             s.Envoie(Octets({255, 251, 1}) + "Port already in use\r\n");
         },
         Cause::MessageServeur, "Port already in use"},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        Serveur s;
        s.accueil = [&] {
            c.accueil(s);
        };
        Port p(s.Adresse(c.schema));
        p.port.SetPortOpen(true);
        ASSERT_TRUE(AttendQue([&] { return p.Perdu(); }));
        EXPECT_EQ(p.port.DernierePerte().cause, c.cause);
        EXPECT_EQ(p.port.DernierePerte().detail, QString::fromUtf8(c.detail));
        EXPECT_EQ(p.lu, ""); // a server's words are never the terminal's data
        EXPECT_FALSE(p.port.PortOpen());
        EXPECT_FALSE(p.port.EnConnexion());
        EXPECT_EQ(p.evenements.count(kComEventDevice), 1);
    }
}

TEST(TransportReseau, NothingListeningIsARefusedConnection) {
    quint16 libre = 0;
    {
        QTcpServer s;
        s.listen(QHostAddress::LocalHost);
        libre = s.serverPort();
    }
    Port p(QStringLiteral("tcp://127.0.0.1:%1").arg(libre));
    p.port.SetPortOpen(true);
    ASSERT_TRUE(AttendQue([&] { return p.Perdu(); }));
    EXPECT_EQ(p.port.DernierePerte().cause, Cause::Refusee);
}

// Data that only starts like a server's words is the terminal's, and arrives whole; data
// that arrived just before the server closed is read before the loss is said.
TEST(TransportReseau, TerminalDataIsNeverTakenForTheServersWords) {
    const struct {
        QByteArray donnees;
        bool fermeApres;
    } cas[] = {
        {"Dev-0042;12\r", false}, {"Port", false},   {"P", true},
        {"Device 7\r", true},     {"12345\r", true},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.donnees.constData());
        Serveur s;
        s.accueil = [&] {
            s.Envoie(c.donnees);
            if (c.fermeApres) {
                s.client->close();
            }
        };
        Port p(s.Adresse("tcp"));
        p.port.SetPortOpen(true);
        ASSERT_TRUE(AttendQue([&] { return p.lu.size() == c.donnees.size(); }));
        EXPECT_EQ(p.lu.toLatin1(), c.donnees);
        if (c.fermeApres) {
            ASSERT_TRUE(AttendQue([&] { return p.Perdu(); }));
            EXPECT_LT(p.evenements.indexOf(kComEvReceive), p.evenements.indexOf(kComEventDevice));
        }
    }
}

// A network link is made after the opening, on the event loop, and is kept across the
// reset that follows each transfer.
TEST(TransportReseau, TheResetAfterATransferKeepsTheConnection) {
    Serveur s;
    int connexions = 0;
    s.accueil = [&] {
        ++connexions;
    };
    Port p(s.Adresse("tcp"));
    p.port.SetPortOpen(true);
    ASSERT_TRUE(AttendQue([&] { return p.port.PortOpen(); }));
    p.port.Reinitialise();
    s.Envoie("X");
    ASSERT_TRUE(AttendQue([&] { return p.lu == "X"; }));
    EXPECT_EQ(connexions, 1);
    EXPECT_TRUE(p.port.PortOpen());
}

// The watch tells once, calls the server again after 1, 2, 4… up to 30 s, and says when the
// link is back.
TEST(TransportReseau, TheWatchCallsALostServerAgainLessAndLessOften) {
    auto s = std::make_unique<Serveur>();
    const quint16 numero = s->ecoute.serverPort();
    DialoguesScriptes dialogues;
    MinuterieManuelle minuterie;
    Port p(s->Adresse("tcp"));
    SurveillancePort surveillance(p.port, dialogues, minuterie);
    QObject::connect(&p.port, &MSComm::OnComm, [&] { surveillance.SurEvenement(); });
    p.port.SetPortOpen(true);
    ASSERT_TRUE(AttendQue([&] { return p.port.PortOpen(); }));

    s.reset(); // the server goes away
    ASSERT_TRUE(AttendQue([&] { return surveillance.Perdu(); }));
    ASSERT_EQ(dialogues.Messages().size(), 1);
    EXPECT_EQ(dialogues.Messages()[0],
              QStringLiteral("Le port tcp://127.0.0.1:%1 ne répond plus (le serveur a fermé la "
                             "connexion). Il sera rouvert dès qu'il sera de retour.")
                  .arg(numero));
    for (int essai = 0; essai < 7; ++essai) {
        ASSERT_EQ(minuterie.enAttente.size(), 1u);
        minuterie.Avance(); // the attempt: refused, as nothing listens
        ASSERT_TRUE(AttendQue([&] { return !p.port.EnConnexion(); }));
        TourneBoucle(3);
    }
    EXPECT_EQ(minuterie.delais, (QList<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000}));
    EXPECT_EQ(dialogues.Messages().size(), 1);
    EXPECT_EQ(p.port.DernierePerte().cause, Cause::Refusee);

    QTcpServer retour; // back on the same port
    ASSERT_TRUE(retour.listen(QHostAddress::LocalHost, numero));
    minuterie.Avance();
    ASSERT_TRUE(AttendQue([&] { return !surveillance.Perdu(); }));
    EXPECT_TRUE(p.port.PortOpen());
    EXPECT_EQ(dialogues.Messages().last(),
              QStringLiteral("Le port tcp://127.0.0.1:%1 est de nouveau ouvert.").arg(numero));
}
