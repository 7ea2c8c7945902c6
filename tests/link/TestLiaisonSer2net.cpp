// The terminal link through a real serial device server: ser2net serving a pseudo-terminal
// on which the test plays the terminal, Kovra's port on its raw TCP or RFC 2217 side.
#include "base/MinuterieQt.h"
#include "link/Acquisition.h"
#include "link/AiguillagePort.h"
#include "link/MSComm.h"
#include "link/Reception.h"
#include "link/SurveillancePort.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/PortsLocaux.h"
#include "support/Ser2net.h"
#include "support/TrouNoir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::Ser2net;

namespace {

enum class Mode { Brut, Rfc2217 };

// 28 characters: value, separator, value, one more character, as Optimus and ScanPal send.
QByteArray Enregistrement(const QByteArray& code, const QByteArray& quantite) {
    return code.leftJustified(20, ' ') + '|' + quantite.leftJustified(6, ' ') + "X\r";
}

// Kovra's side: the port on the server, with the parts the program puts on it (reception,
// acquisition, the port watch), on real time.
struct Poste {
    Poste(Ser2net& serveur, Mode mode, const char* type, const QString& reglages = "9600,N,8,1",
          int flux = 0) {
        port.Peripherique =
            mode == Mode::Brut
                ? QStringLiteral("tcp://127.0.0.1:%1").arg(serveur.PortBrut())
                : QStringLiteral("rfc2217://127.0.0.1:%1").arg(serveur.PortRfc2217());
        port.Settings = reglages;
        port.Handshaking = flux;
        port.InputLen = 1;
        etat.TypeTerminal = LitGenreTerminal(type);
        acquisition.interrompue = [this] {
            ++interruptions;
        };
        port.SetPortOpen(true);
    }
    bool Ouvert() {
        return AttendQue([&] { return port.PortOpen(); });
    }
    QStringList Fichiers(const QString& motif) const {
        return QDir(t.donnees).entryList({motif}, QDir::Files);
    }
    QByteArray Lit(const QString& nom) const {
        QFile f(t.Chemin(nom));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    DonneesTest t;
    MinuterieQt minuterie;
    ProgressionMuette progression;
    MSComm port;
    EtatLiaison etat;
    QStringList trames;
    const std::function<void(const QString&, const QString&)> traite =
        [this](const QString& trame, const QString& fichier) {
            trames << trame;
            if (!fichier.isEmpty()) {
                QFile::remove(fichier);
            }
        };
    Reception reception{port, etat, t.env, minuterie, progression, traite};
    Acquisition acquisition{port, etat, t.env, minuterie, traite};
    SurveillancePort surveillance{port, t.dialogues, minuterie};
    AiguillagePort aiguillage{port, etat, &reception, &acquisition, &surveillance};
    int interruptions = 0;
};

// The terminal's side of an acquisition: READ, then each record followed by its ACK.
void JoueAcquisition(Ser2net& s, const QList<QByteArray>& enregistrements, const QByteArray& fin) {
    ASSERT_EQ(s.Recoit(5), "READ\r");
    for (const QByteArray& e : enregistrements) {
        s.Envoie(e);
        ASSERT_EQ(s.Recoit(4), "ACK\r");
    }
    s.Envoie(fin);
}

} // namespace

// Each terminal type, on each side of the server, gives the frames a local line gives; the
// byte 0xFF (Telnet's IAC) in the data arrives as the character it stands for.
TEST(LiaisonSer2net, EachTerminalTypeWorksOnBothSidesOfTheServer) {
    const QString ff = QString(QChar(0xFF));
    for (const Mode mode : {Mode::Brut, Mode::Rfc2217}) {
        SCOPED_TRACE(mode == Mode::Brut ? "raw TCP" : "RFC 2217");
        {
            SCOPED_TRACE("HT630");
            Ser2net s;
            Poste p(s, mode, "HT630");
            ASSERT_TRUE(p.Ouvert());
            s.Envoie("A1\r12\rB\xFF\r3\rFINTRANSKOVRA\r\n");
            ASSERT_TRUE(AttendQue([&] { return !p.trames.isEmpty(); }));
            EXPECT_EQ(p.trames, QStringList{"A1\r12\rB" + ff + "\r3\r"});
        }
        {
            SCOPED_TRACE("PT630");
            Ser2net s;
            Poste p(s, mode, "PT630");
            ASSERT_TRUE(p.Ouvert());
            QByteArray donnees;
            for (int i = 0; i < 2000; ++i) {
                donnees +=
                    "C" + QByteArray::number(i) + "\xFF\r\n" + QByteArray::number(i % 9) + "\r\n";
            }
            s.Envoie(donnees);
            // A PT630 transfer ends with a silence: on a loaded machine a pause of the
            // server in the middle may end one early and start another. Every byte must
            // arrive, once and in order.
            const QString attendu = QString::fromLatin1(donnees);
            ASSERT_TRUE(
                AttendQue([&] { return p.trames.join(QString()).size() >= attendu.size(); }));
            EXPECT_EQ(p.trames.join(QString()), attendu);
        }
        for (const char* type : {"Optimus", "ScanPal"}) {
            SCOPED_TRACE(type);
            Ser2net s;
            Poste p(s, mode, type);
            ASSERT_TRUE(p.Ouvert());
            ASSERT_TRUE(p.acquisition.Demarre());
            const QByteArray fin = QByteArray(type) == "ScanPal" ? "OVER\rOVER\r" : "OVER\r";
            JoueAcquisition(s, {Enregistrement("A1", "12"), Enregistrement("B\xFF", "3")}, fin);
            ASSERT_TRUE(AttendQue([&] { return !p.trames.isEmpty(); }));
            EXPECT_EQ(p.trames, QStringList{"A1\r12\r\nB" + ff + "\r3\r\n"});
            EXPECT_EQ(p.t.dialogues.Messages(), QStringList{});
        }
    }
}

// The line settings of the port reach the line through the server; 0xFF goes both ways.
TEST(LiaisonSer2net, Rfc2217SetsTheLineAndCarriesEveryByte) {
    const struct {
        const char* reglages;
        int flux;
        kovra::test::ReglagesLigne ligne; // what the pseudo-terminal keeps of it
    } cas[] = {
        {"19200,O,8,2", 2, {19200, 8, false, true, false, 2, true, false, false}},
        {"115200,N,8,1", 1, {115200, 8, false, false, false, 1, false, true, true}},
        {"4800,M,8,1", 0, {4800, 8, false, true, true, 1, false, false, false}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.reglages);
        Ser2net s;
        Poste p(s, Mode::Rfc2217, "PT630", c.reglages, c.flux);
        ASSERT_TRUE(p.Ouvert());
        EXPECT_EQ(s.Reglages(), c.ligne);
        EXPECT_TRUE(p.port.Output(QString::fromLatin1("\xFF"
                                                      "ACK\xFF\r")));
        EXPECT_EQ(s.Recoit(6), "\xFF"
                               "ACK\xFF\r");
    }
}

// A transfer cut because the server died is set aside, never processed; the port comes
// back by itself once the server does, and the next transfer is delivered once.
TEST(LiaisonSer2net, AServerKilledMidTransferLosesNothingAndComesBack) {
    for (const Mode mode : {Mode::Brut, Mode::Rfc2217}) {
        SCOPED_TRACE(mode == Mode::Brut ? "raw TCP" : "RFC 2217");
        Ser2net s;
        Poste p(s, mode, "PT630");
        ASSERT_TRUE(p.Ouvert());
        const QByteArray debut = QByteArray(100000, 'a') + "\r\n";
        s.Envoie(debut);
        // Everything sent has reached Kovra's spool file: the server holds none of it.
        ASSERT_TRUE(AttendQue([&] {
            const QStringList f = p.Fichiers("*.tmp");
            return f.size() == 1 && p.Lit(f[0]).size() == debut.size();
        }));
        const QString spool = p.Fichiers("*.tmp").value(0);
        s.Arrete();
        ASSERT_TRUE(AttendQue([&] { return p.surveillance.Perdu(); }));
        ASSERT_TRUE(AttendQue([&] { return p.t.dialogues.Messages().size() >= 3; }));
        const QString messages = p.t.dialogues.Messages().join('|');
        EXPECT_TRUE(messages.contains("ne répond plus (le serveur a fermé la connexion)"))
            << messages.toStdString();
        EXPECT_TRUE(messages.contains("Le terminal a été déconnecté pendant le transfert"));
        EXPECT_TRUE(messages.contains(spool)) << messages.toStdString();
        EXPECT_EQ(p.Lit(spool), debut);
        EXPECT_EQ(p.trames, QStringList{});

        ASSERT_TRUE(s.Redemarre());
        ASSERT_TRUE(AttendQue([&] { return p.port.PortOpen(); }, 15000));
        EXPECT_TRUE(p.t.dialogues.Messages().last().endsWith("est de nouveau ouvert."));
        s.Envoie("B2\r\n3\r\n");
        ASSERT_TRUE(AttendQue([&] { return !p.trames.isEmpty(); }));
        EXPECT_EQ(p.trames, QStringList{"B2\r\n3\r\n"});
        EXPECT_EQ(p.Lit(spool), debut); // the cut transfer stays where it was put
    }
}

// An acquisition cut by the server's death keeps exactly the records acknowledged; the next
// one, once the port is back, takes the rest, and no record is delivered twice.
TEST(LiaisonSer2net, AServerKilledMidAcquisitionKeepsTheAcknowledgedRecords) {
    Ser2net s;
    Poste p(s, Mode::Rfc2217, "Optimus");
    ASSERT_TRUE(p.Ouvert());
    ASSERT_TRUE(p.acquisition.Demarre());
    JoueAcquisition(s, {Enregistrement("A1", "1"), Enregistrement("A2", "2")}, {});
    s.Arrete();
    ASSERT_TRUE(AttendQue([&] { return p.interruptions == 1; }));
    const QStringList spools = p.Fichiers("acquisition-*.tmp");
    ASSERT_EQ(spools.size(), 1);
    EXPECT_EQ(p.Lit(spools[0]), "A1\r1\r\nA2\r2\r\n");
    EXPECT_TRUE(p.t.dialogues.Messages().join('|').contains("acquisition interrompue"));

    ASSERT_TRUE(s.Redemarre());
    ASSERT_TRUE(AttendQue([&] { return p.port.PortOpen(); }, 15000));
    ASSERT_TRUE(p.acquisition.Demarre());
    JoueAcquisition(s, {Enregistrement("A3", "3")}, "OVER\r");
    ASSERT_TRUE(AttendQue([&] { return !p.trames.isEmpty(); }));
    EXPECT_EQ(p.trames, QStringList{"A3\r3\r\n"});
    EXPECT_EQ(p.Lit(spools[0]), "A1\r1\r\nA2\r2\r\n");
}

// ser2net without its device says so at each connection and closes: never data, one
// message, the server's words as the port's state, and the port is called again.
TEST(LiaisonSer2net, AServerWithoutItsDeviceIsSaidOnceAndCalledAgain) {
    for (const Mode mode : {Mode::Brut, Mode::Rfc2217}) {
        SCOPED_TRACE(mode == Mode::Brut ? "raw TCP" : "RFC 2217");
        Ser2net s(QStringLiteral("/dev/kovra-absent"));
        Poste p(s, mode, "PT630");
        ASSERT_TRUE(AttendQue([&] { return p.surveillance.Perdu(); }));
        // In Telnet mode ser2net may close before its words, right after the negotiation.
        EXPECT_EQ(p.surveillance.Raison(),
                  mode == Mode::Brut
                      ? "le serveur dit : « Device open failure: Value or file not found »"
                      : "le serveur a fermé la connexion (avant d'avoir réglé la ligne : son "
                        "port série est-il absent ou occupé ?)");
        // The next attempt, a second later, gets the same answer, and says nothing more.
        QElapsedTimer t;
        t.start();
        AttendQue([&] { return t.elapsed() > 2500; }, 4000);
        EXPECT_EQ(p.t.dialogues.Messages().size(), 1)
            << p.t.dialogues.Messages().join('|').toStdString();
        EXPECT_EQ(p.trames, QStringList{});
        EXPECT_TRUE(p.Fichiers("*.tmp").isEmpty());
        EXPECT_TRUE(p.surveillance.Perdu());
    }
}

// A server that stops answering with the connection up (a cable cut, a server frozen) is
// found by the connection's keepalive.
TEST(LiaisonSer2net, AServerThatFallsSilentIsFoundByKeepalive) {
    if (const QString raison = kovra::test::TrouNoir::Impossible(); !raison.isEmpty()) {
        GTEST_SKIP() << raison.toStdString();
    }
    Ser2net s;
    Poste p(s, Mode::Brut, "PT630");
    p.port.Delais.inactifS = 1;
    p.port.Delais.intervalleS = 1;
    p.port.Delais.essais = 2;
    p.port.SetPortOpen(false);
    p.port.SetPortOpen(true);
    ASSERT_TRUE(p.Ouvert());
    kovra::test::TrouNoir trou;
    ASSERT_TRUE(trou.Demarre(s.PortBrut())) << trou.Erreur().toStdString();
    ASSERT_TRUE(AttendQue([&] { return p.surveillance.Perdu(); }, 20000));
    const PerteLiaison::Cause cause = p.port.DernierePerte().cause;
    EXPECT_TRUE(cause == PerteLiaison::Cause::Silence || cause == PerteLiaison::Cause::Coupee)
        << p.surveillance.Raison().toStdString();
}
