#include "link/AiguillagePort.h"
#include "link/Reception.h"
#include "link/SurveillancePort.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/LimiteTailleFichier.h"
#include "support/MinuterieManuelle.h"
#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <map>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::LimiteTailleFichier;
using kovra::test::MinuterieManuelle;
using kovra::test::PseudoTerminal;

namespace {

// A terminal on a pseudo-terminal, the port open on its other end, and reception with
// manual time; the port watch, on its own time, when the test needs a lost device
// reported and the port closed as the program does.
struct Liaison {
    explicit Liaison(const char* type, Minuterie* temps = nullptr, bool avecSurveillance = false)
        : tempsReception(temps != nullptr ? *temps : minuterie), surveille(avecSurveillance) {
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
    Minuterie& tempsReception;
    bool surveille;
    ProgressionMuette progression;
    QStringList trames;
    QStringList confies;
    // Processing takes the frame and the spool file that holds it.
    Reception reception{port,
                        etat,
                        t.env,
                        tempsReception,
                        progression,
                        [this](const QString& trame, const QString& fichier) {
                            trames << trame;
                            confies << fichier;
                        }};
    MinuterieManuelle minuterieSurveillance;
    SurveillancePort surveillance{port, t.dialogues, minuterieSurveillance};
    AiguillagePort aiguillage{port, etat, &reception, nullptr, surveille ? &surveillance : nullptr};
};

// Makes a file impossible to remove, even for root, or allows it again. False when the
// file system cannot do it.
bool Inamovible(const QString& chemin, bool oui) {
    const int fd = open(QFile::encodeName(chemin).constData(), O_RDONLY);
    if (fd < 0) {
        return false;
    }
    int attributs = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &attributs) == 0;
    attributs = oui ? (attributs | FS_IMMUTABLE_FL) : (attributs & ~FS_IMMUTABLE_FL);
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &attributs) == 0;
    close(fd);
    return ok;
}

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

TEST(ReceptionHt630, ATransferSetAsideNeverWritesOverOneKeptBefore) {
    Liaison l("HT630");
    l.t.dossier.Ecrit("donnees/ht630-51220262098.tmp", "ancien"); // same second, earlier run
    l.Envoie("A1\r12\rB2");
    l.minuterie.Termine();
    EXPECT_EQ(l.t.dossier.Lit("donnees/ht630-51220262098.tmp"), "ancien");
    EXPECT_EQ(l.t.dossier.Lit("donnees/ht630-51220262098_1.tmp"), "A1\r12\rB2");
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
        AttendQue([&] { return l.port.CommEvent() == kComEventDevice; });
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

TEST(ReceptionPt630, ATransferThatCannotBeSpooledIsReportedOnceAndDropped) {
    Liaison l("PT630");
    const QString dossier = l.t.env.DossierDonnees;
    l.t.env.DossierDonnees = dossier + "/absent"; // no spool file can be made there
    for (int i = 0; i < 20; ++i) {
        l.Envoie("A" + QByteArray::number(i) + "\r\n"); // a transfer in 20 pieces
    }
    EXPECT_TRUE(l.reception.Occupe()); // read off the line until it falls silent
    l.minuterie.Termine();
    ASSERT_EQ(l.t.dialogues.Messages().size(), 1);
    EXPECT_TRUE(l.t.dialogues.Messages()[0].startsWith("Impossible de créer le fichier"));
    EXPECT_FALSE(l.reception.Occupe());

    // Nothing of it is glued to the next transfer.
    l.t.env.DossierDonnees = dossier;
    l.Envoie("B1\r\n");
    l.minuterie.Termine();
    EXPECT_EQ(l.trames, QStringList{"B1\r\n"});
    EXPECT_EQ(l.t.dialogues.Messages().size(), 1);
}

TEST(ReceptionPt630, TransfersApartByMoreThanTheSilenceAreFramesOfTheirOwn) {
    MinuterieManuelle horloge;
    Liaison l("PT630", &horloge);
    // One every 800 ms, some arriving while the one before is read back.
    for (int i = 0; i < 5; ++i) {
        l.Envoie("T" + QByteArray::number(i) + "\r\n");
        horloge.AvanceDe(800);
    }
    horloge.AvanceDe(1500);
    EXPECT_EQ(l.trames, (QStringList{"T0\r\n", "T1\r\n", "T2\r\n", "T3\r\n", "T4\r\n"}));
    EXPECT_EQ(QSet<QString>(l.confies.begin(), l.confies.end()).size(), 5); // a file each
    EXPECT_FALSE(l.reception.Occupe());
    EXPECT_TRUE(l.t.dialogues.Journal().empty());

    // Pieces of one transfer closer than the silence stay one frame.
    l.Envoie("U1\r\n");
    horloge.AvanceDe(400);
    l.Envoie("U2\r\n");
    horloge.AvanceDe(2000);
    EXPECT_EQ(l.trames.back(), "U1\r\nU2\r\n");
}

TEST(Reception, WhatALostDeviceSentIsSetAsideNotProcessed) {
    const struct {
        const char* type;
        QByteArray octets;
        QString fichier;
        QString message;
    } cas[] = {
        // Unplugged before the first 300 ms cycle, with more or fewer than 4 characters.
        {"HT630", "A1\r12", "ht630-51220262098.tmp", "Transfert incomplet"},
        {"HT630", "ab", "ht630-51220262098.tmp", "Transfert incomplet"},
        {"PT630", "A1\r\n", "51220262098.tmp",
         "Le terminal a été déconnecté pendant le transfert."},
    };
    for (const auto& c : cas) {
        Liaison l(c.type, nullptr, true);
        l.Envoie(c.octets);
        l.terminal.Ferme();
        ASSERT_TRUE(AttendQue([&] { return l.surveillance.Perdu(); })) << c.type;
        l.minuterie.Termine();
        EXPECT_TRUE(l.trames.isEmpty()) << c.type;
        EXPECT_FALSE(l.reception.Occupe()) << c.type;
        EXPECT_EQ(l.t.dossier.Lit("donnees/" + c.fichier), c.octets) << c.type;
        // The port watch's notice, then what became of the data.
        const QString messages = l.t.dialogues.Messages().join('|');
        EXPECT_TRUE(messages.contains(c.message)) << messages.toStdString();
        EXPECT_TRUE(messages.contains(l.t.Chemin(c.fichier))) << messages.toStdString();
    }
}

TEST(ReceptionPt630, ASpoolFileThatCannotBeRemovedIsReported) {
    Liaison l("PT630");
    l.Envoie("<DEL>\r\n");
    l.minuterie.Avance(); // silence: the transfer waits to be read back
    const QString spool = l.t.Chemin("51220262098.tmp");
    if (!Inamovible(spool, true)) {
        GTEST_SKIP() << "the file system cannot keep a file from being removed";
    }
    l.minuterie.Termine();
    Inamovible(spool, false);
    EXPECT_EQ(l.t.dialogues.Messages(),
              QStringList{"Le fichier " + spool + " n'a pas pu être supprimé."});
}

TEST(Reception, NothingOfItRunsOnceDestroyed) {
    // A collection under way, a transfer drained, a transfer waiting to be read back.
    const struct {
        const char* type;
        int avances;
        bool dossierAbsent;
    } cas[] = {{"HT630", 0, false}, {"PT630", 0, false}, {"PT630", 0, true}, {"PT630", 1, false}};
    for (const auto& c : cas) {
        DonneesTest t;
        PseudoTerminal terminal;
        MSComm port;
        port.Peripherique = terminal.Chemin();
        port.SetPortOpen(true);
        EtatLiaison etat;
        etat.TypeTerminal = LitGenreTerminal(c.type);
        MinuterieManuelle minuterie;
        ProgressionMuette progression;
        if (c.dossierAbsent) {
            t.env.DossierDonnees += "/absent";
        }
        int trames = 0;
        auto reception =
            std::make_unique<Reception>(port, etat, t.env, minuterie, progression,
                                        [&](const QString&, const QString&) { ++trames; });
        auto aiguillage =
            std::make_unique<AiguillagePort>(port, etat, reception.get(), nullptr, nullptr);
        terminal.Envoie("A1\r\nFINTRANSKOVRA");
        for (int i = 0; i < c.avances; ++i) {
            minuterie.Avance();
        }
        ASSERT_TRUE(reception->Occupe()) << c.type;
        const int messages = t.dialogues.Messages().size();
        aiguillage.reset();
        reception.reset();
        minuterie.Termine();
        EXPECT_EQ(trames, 0) << c.type;
        EXPECT_EQ(t.dialogues.Messages().size(), messages) << c.type;
    }
}

TEST(ReceptionHt630, WhatFollowsTheMarkerStartsTheNextTransfer) {
    const struct {
        const char* nom;
        QList<QByteArray> lectures; // one 300 ms cycle each
        QStringList trames;
        QByteArray misDeCote; // what is set aside when the next marker never comes
    } cas[] = {
        {"three transfers in one read",
         {"A1\rFINTRANSKOVRAB2\rFINTRANSKOVRAC3\rFINTRANSKOVRA"},
         {"A1\r", "B2\r", "C3\r"},
         ""},
        {"the next one ends in a later read",
         {"A1\rFINTRANSKOVRA\r\nB2\r", "3\rFINTRANSKOVRA"},
         {"A1\r", "B2\r3\r"},
         ""},
        {"blanks and line ends alone are no transfer", {"A1\rFINTRANSKOVRA \r\n"}, {"A1\r"}, ""},
        {"the next one never ends", {"A1\rFINTRANSKOVRAB2\r3"}, {"A1\r"}, "B2\r3"},
        {"nor does a start shorter than a new transfer needs",
         {"A1\rFINTRANSKOVRA\r\nB2\r"},
         {"A1\r"},
         "B2\r"},
    };
    for (const auto& c : cas) {
        Liaison l("HT630");
        for (const QByteArray& lecture : c.lectures) {
            l.Envoie(lecture);
            l.minuterie.Avance();
        }
        l.minuterie.Termine();
        EXPECT_EQ(l.trames, c.trames) << c.nom;
        EXPECT_FALSE(l.reception.Occupe()) << c.nom;
        if (c.misDeCote.isEmpty()) {
            EXPECT_TRUE(l.Spools().isEmpty()) << c.nom;
            EXPECT_TRUE(l.t.dialogues.Messages().isEmpty()) << c.nom;
        } else {
            EXPECT_EQ(l.t.dossier.Lit("donnees/ht630-51220262098.tmp"), c.misDeCote) << c.nom;
            EXPECT_EQ(l.t.dialogues.Messages().size(), 1) << c.nom;
        }
    }
}

TEST(ReceptionPt630, WhatArrivesIsOnDiskBeforeTheTransferEnds) {
    // A program killed in the middle of a transfer leaves on disk all that had come.
    for (const qsizetype taille : {1700, 29000}) {
        Liaison l("PT630");
        QByteArray octets;
        for (int i = 0; octets.size() < taille; ++i) {
            octets += "C" + QByteArray::number(i) + "\r\n";
        }
        octets.truncate(taille);
        l.Envoie(octets);
        ASSERT_TRUE(l.reception.Occupe()) << taille; // the silence has not come yet
        EXPECT_EQ(l.t.dossier.Lit("donnees/51220262098.tmp").size(), taille);
        l.minuterie.Termine();
        ASSERT_EQ(l.trames.size(), 1) << taille;
        EXPECT_EQ(l.trames[0].size(), taille);
    }
}

TEST(Reception, AFullDiskIsNamedAndNoFileIsSaidToHoldMoreThanItDoes) {
    const QString raison = QString::fromLocal8Bit(std::strerror(EFBIG));
    const struct {
        const char* type;
        QByteArray octets;
        rlim_t place; // bytes a file may hold
        QString fichier;
        QByteArray garde; // what the file holds; empty: it is gone
        QString fin;      // how the message ends (%1: the file)
    } cas[] = {
        {"PT630", "A1\r\nB2\r\n", 0, "51220262098.tmp", "",
         "Le transfert est abandonné ; rien n'en a été conservé."},
        {"PT630", "A1\r\nB2\r\n", 5, "51220262098.tmp", "A1\r\nB",
         "Le transfert est abandonné ; seul son début (5 octets) est conservé, dans le fichier "
         "%1."},
        {"HT630", "A1\r12\rB2", 0, "ht630-51220262098.tmp", "",
         "Les données reçues n'ont pas pu être conservées (%1 : " + raison + ")."},
        {"HT630", "A1\r12\rB2", 4, "ht630-51220262098.tmp", "A1\r1",
         "(%1 : " + raison + "). Seul leur début (4 octets) est dans ce fichier."},
    };
    for (const auto& c : cas) {
        Liaison l(c.type);
        {
            LimiteTailleFichier limite(c.place);
            l.Envoie(c.octets);
            l.minuterie.Termine(); // an HT630 transfer is set aside after its silence
        }
        const QString chemin = l.t.Chemin(c.fichier);
        EXPECT_TRUE(l.trames.isEmpty()) << c.type;
        EXPECT_FALSE(l.reception.Occupe()) << c.type;
        EXPECT_EQ(QFile::exists(chemin), !c.garde.isEmpty()) << c.type << c.place;
        if (!c.garde.isEmpty()) {
            EXPECT_EQ(l.t.dossier.Lit("donnees/" + c.fichier), c.garde) << c.type;
        }
        const QStringList messages = l.t.dialogues.Messages();
        ASSERT_EQ(messages.size(), 1) << c.type;
        EXPECT_TRUE(messages[0].contains(raison)) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].endsWith(QString(c.fin).replace("%1", chemin)))
            << messages[0].toStdString();
    }
}

TEST(Reception, AProgramEndingDoesNotWaitForAMarkerThatIsNotComing) {
    const QString finEnCours = "Fin de la réception en cours…";
    const struct {
        const char* nom;
        const char* type;
        int cyclesAvant;           // cycles run before the program ends
        QList<QByteArray> ensuite; // arriving afterwards, one cycle each
        QStringList debutsMessages;
        QStringList trames;
        QByteArray misDeCote;
    } cas[] = {
        {"a quiet line: set aside at once",
         "HT630",
         2,
         {},
         {"Transfert incomplet"},
         {},
         "A1\r12\r"},
        {"still receiving: set aside at the first quiet cycle",
         "HT630",
         1,
         {"B2\r"},
         {finEnCours, "Transfert incomplet"},
         {},
         "A1\r12\rB2\r"},
        {"its marker comes", "HT630", 1, {"FINTRANSKOVRA"}, {finEnCours}, {"A1\r12\r"}, ""},
        {"a PT630 transfer ends at its silence", "PT630", 0, {}, {finEnCours}, {"A1\r12\r"}, ""},
    };
    for (const auto& c : cas) {
        Liaison l(c.type);
        l.Envoie("A1\r12\r");
        for (int i = 0; i < c.cyclesAvant; ++i) {
            l.minuterie.Avance();
        }
        l.reception.PrepareArret();
        for (const QByteArray& octets : c.ensuite) {
            l.Envoie(octets);
            l.minuterie.Avance();
        }
        // Free within one more cycle (or the PT630 silence and read-back), not 10 s later.
        for (int i = 0; i < 2 && l.reception.Occupe(); ++i) {
            l.minuterie.Avance();
        }
        EXPECT_FALSE(l.reception.Occupe()) << c.nom;
        EXPECT_EQ(l.trames, c.trames) << c.nom;
        const QStringList messages = l.t.dialogues.Messages();
        ASSERT_EQ(messages.size(), c.debutsMessages.size()) << c.nom;
        for (qsizetype i = 0; i < messages.size(); ++i) {
            EXPECT_TRUE(messages[i].startsWith(c.debutsMessages[i])) << c.nom;
        }
        if (!c.misDeCote.isEmpty()) {
            EXPECT_EQ(l.t.dossier.Lit("donnees/ht630-51220262098.tmp"), c.misDeCote) << c.nom;
        }
    }
}

TEST(NomSpool, WritesTheMomentWithoutLeadingZeros) {
    EXPECT_EQ(NomSpool(QDateTime(QDate(2026, 12, 5), QTime(20, 9, 8))), "51220262098.tmp");
    EXPECT_EQ(NomSpool(QDateTime(QDate(2027, 1, 31), QTime(0, 0, 0))), "3112027000.tmp");
}
