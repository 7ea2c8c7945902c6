#include "link/AiguillagePort.h"
#include "link/Reception.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/MinuterieManuelle.h"
#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;
using kovra::test::MinuterieManuelle;
using kovra::test::PseudoTerminal;

namespace {

// A terminal on a pseudo-terminal, the port open on its other end, and reception with
// manual time.
struct Liaison {
    explicit Liaison(const char* type) {
        etat.TypeTerminal = LitGenreTerminal(type);
        port.Peripherique = terminal.Chemin();
        port.SetPortOpen(true);
        reception.maintenant = [] {
            return QDateTime(QDate(2026, 12, 5), QTime(20, 9, 8));
        };
    }

    void Envoie(const QByteArray& octets) { terminal.Envoie(octets); }
    QStringList Spools() const { return QDir(t.donnees).entryList({"*.tmp"}, QDir::Files); }

    DonneesTest t;
    PseudoTerminal terminal;
    MSComm port;
    EtatLiaison etat;
    MinuterieManuelle minuterie;
    ProgressionMuette progression;
    QStringList trames;
    QStringList confies;
    // Processing takes the frame and the spool file that holds it.
    Reception reception{port,
                        etat,
                        t.env,
                        minuterie,
                        progression,
                        [this](const QString& trame, const QString& fichier) {
                            trames << trame;
                            confies << fichier;
                        }};
    AiguillagePort aiguillage{port, etat, &reception, nullptr, nullptr};
};

} // namespace

TEST(ReceptionHt630, TakesTheTextBeforeTheMarker) {
    Liaison l("HT630");
    l.Envoie("A1\r12\rFINTRANSKOVRAreste");
    EXPECT_TRUE(l.etat.EnReception);
    EXPECT_EQ(l.minuterie.delais, QList<int>{300});
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"A1\r12\r"});
    EXPECT_EQ(l.etat.TrameRecue, "A1\r12\r");
    EXPECT_FALSE(l.etat.EnReception);
}

TEST(ReceptionHt630, FindsAMarkerSplitAcrossReads) {
    Liaison l("HT630");
    l.Envoie("CODE\rFINTRANS");
    l.minuterie.Avance(); // first cycle: no marker yet
    EXPECT_TRUE(l.trames.isEmpty());
    l.Envoie("KOVRA");
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"CODE\r"});
    EXPECT_EQ(l.minuterie.delais, (QList<int>{300, 300}));
}

TEST(ReceptionHt630, DropsShortTransfersAndIgnoresEventsWhileCollecting) {
    Liaison l("HT630");
    l.Envoie("ab");
    l.Envoie("c"); // an event during the collection starts nothing more
    EXPECT_EQ(l.minuterie.delais, QList<int>{300});
    l.minuterie.Termine();
    EXPECT_TRUE(l.trames.isEmpty());
    EXPECT_FALSE(l.etat.EnReception);
    // The next characters start a new collection.
    l.Envoie("XYZFINTRANSKOVRA");
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"XYZ"});
}

TEST(ReceptionPt630, SpoolsTheTransferUntilSilence) {
    Liaison l("PT630");
    l.Envoie("A1\r\n");
    EXPECT_EQ(l.Spools(), QStringList{"51220262098.tmp"});
    l.Envoie("B\xE9\r\n");
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"A1\r\nBé\r\n"});
    EXPECT_EQ(l.minuterie.delais.back(), 1000);
    // The spool file goes with the frame; processing deletes it once delivered.
    ASSERT_EQ(l.confies.size(), 1);
    EXPECT_TRUE(l.confies[0].endsWith("/51220262098.tmp"));
    EXPECT_EQ(l.Spools(), QStringList{"51220262098.tmp"});
    EXPECT_TRUE(l.t.dialogues.Journal().empty());
}

TEST(ReceptionPt630, DropsEmptyTransfersAndReportsConnections) {
    const struct {
        QByteArray octets;
        QStringList messages;
    } cas[] = {
        {"<DEL>\r\n", {}},
        {"\xFF", {"Terminal connecté"}},
        {"A\r\xFF", {"Terminal connecté"}},
    };
    for (const auto& c : cas) {
        Liaison l("PT630");
        l.Envoie(c.octets);
        l.minuterie.Termine();
        EXPECT_TRUE(l.trames.isEmpty());
        EXPECT_EQ(l.t.dialogues.Messages(), c.messages);
        EXPECT_TRUE(l.Spools().isEmpty());
    }
}

TEST(ReceptionHt630, ATransferWithoutItsMarkerIsSetAsideAfterSilence) {
    Liaison l("HT630");
    l.Envoie("A1\r12\rB2");
    l.minuterie.Termine(); // 10 s of 300 ms cycles with nothing more
    EXPECT_TRUE(l.trames.isEmpty());
    EXPECT_FALSE(l.etat.EnReception);
    ASSERT_EQ(l.t.dialogues.Messages().size(), 1);
    EXPECT_TRUE(l.t.dialogues.Messages()[0].contains("ht630-51220262098.tmp"));
    EXPECT_EQ(l.t.dossier.Lit("donnees/ht630-51220262098.tmp"), "A1\r12\rB2");
    // The next transfer stands on its own.
    l.Envoie("C3\rFINTRANSKOVRA");
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"C3\r"});
}

TEST(ReceptionPt630, ATransferIsJudgedByItsOwnEventsNotByALaterPortReset) {
    Liaison l("PT630");
    l.Envoie("A1\r\n");
    l.port.SetPortOpen(false); // the port is reset before the transfer is read back
    l.port.SetPortOpen(true);
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"A1\r\n"});
    EXPECT_TRUE(l.t.dialogues.Journal().empty());
}

TEST(Reception, ALostDeviceStartsNoTransfer) {
    for (const char* type : {"PT630", "HT630"}) {
        Liaison l(type);
        l.terminal.Ferme(); // the port reports a fault
        kovra::test::AttendQue([&] { return l.port.CommEvent() == kComEventDevice; });
        EXPECT_EQ(l.port.CommEvent(), kComEventDevice) << type;
        EXPECT_TRUE(l.Spools().isEmpty()) << type;
        EXPECT_FALSE(l.etat.EnReception) << type;
        EXPECT_TRUE(l.minuterie.delais.isEmpty()) << type;
    }
}

TEST(Reception, OtherTerminalsLeaveThePortAlone) {
    for (const char* type : {"Optimus", "ScanPal", "ht630", ""}) {
        Liaison l(type);
        l.Envoie("OVER\r");
        EXPECT_TRUE(l.minuterie.delais.isEmpty()) << type;
        EXPECT_EQ(l.port.InBufferCount(), 5) << type;
    }
}

TEST(NomSpool, WritesTheMomentWithoutLeadingZeros) {
    EXPECT_EQ(NomSpool(QDateTime(QDate(2026, 12, 5), QTime(20, 9, 8))), "51220262098.tmp");
    EXPECT_EQ(NomSpool(QDateTime(QDate(2027, 1, 31), QTime(0, 0, 0))), "3112027000.tmp");
}
