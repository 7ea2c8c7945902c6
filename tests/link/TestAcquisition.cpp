#include "link/Acquisition.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/LimiteTailleFichier.h"
#include "support/MinuterieManuelle.h"
#include "support/PseudoTerminal.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::LimiteTailleFichier;
using kovra::test::MinuterieManuelle;
using kovra::test::PseudoTerminal;

namespace {

// 28 characters: value, separator, value, one more character.
QByteArray Ligne(const QByteArray& premier, const QByteArray& second) {
    return premier.leftJustified(20, ' ') + '|' + second.leftJustified(6, ' ') + 'X';
}

struct Terminal {
    explicit Terminal(const char* type) {
        etat.TypeTerminal = LitGenreTerminal(type);
        port.Peripherique = pty.Chemin();
        port.SetPortOpen(true);
        QObject::connect(&port, &MSComm::OnComm, [this] {
            if (acquisition) {
                acquisition->SurEvenement();
            }
        });
        acquisition->interrompue = [this] {
            ++interruptions;
        };
    }
    QStringList Spools() const {
        return QDir(t.donnees).entryList({"acquisition-*.tmp"}, QDir::Files);
    }

    DonneesTest t;
    PseudoTerminal pty;
    MSComm port;
    EtatLiaison etat;
    QStringList trames;
    MinuterieManuelle minuterie;
    std::unique_ptr<Acquisition> acquisition = std::make_unique<Acquisition>(
        port, etat, t.env, minuterie, [this](const QString& trame, const QString& fichier) {
            trames << trame;
            QFile::remove(fichier);
        });
    int interruptions = 0;
};

} // namespace

TEST(EnregistrementDeLigne, TakesTheColumnsOfEachLineShape) {
    const struct {
        const char* nom;
        QByteArray ligne;
        const char* enregistrement; // nullptr: no record
    } cas[] = {
        {"28 characters", Ligne("A1 ", "12"), "A1\r12\r\n"},
        {"a control character first shifts the columns", "\t" + Ligne("A1", "12"), "A1\r12\r\n"},
        {"leading blanks are stripped first", "   " + Ligne("A1", "12"), "A1\r12\r\n"},
        {"so fields laid out after blanks move left",
         "  " + QByteArray("A1").leftJustified(18, ' ') + "|12    X",
         "A1                |1\rX\r\n"},
        {"27 characters", Ligne("A1", "12").left(27), nullptr},
        {"ACK", "ACK", nullptr},
        {"a ; line is the blank record", ";" + QByteArray(27, 'z'),
         "                    \r      \r\n"},
        {"a control character then ; is read by its columns", "\x01;" + QByteArray(27, 'z'),
         ";zzzzzzzzzzzzzzzzzzz\rzzzzzz\r\n"},
    };
    for (const auto& c : cas) {
        QString ligne = QString::fromLatin1(c.ligne);
        const auto e = EnregistrementDeLigne(ligne);
        if (c.enregistrement == nullptr) {
            EXPECT_FALSE(e) << c.nom;
        } else {
            ASSERT_TRUE(e) << c.nom;
            EXPECT_EQ(*e, QString::fromLatin1(c.enregistrement)) << c.nom;
        }
    }
}

TEST(Acquisition, OptimusRecordsAreAcknowledgedThenProcessedTogether) {
    Terminal t("Optimus");
    ASSERT_TRUE(t.acquisition->Demarre());
    EXPECT_EQ(t.pty.Recoit(5), "READ\r");
    EXPECT_FALSE(t.acquisition->Demarre()); // no second run meanwhile
    t.pty.Envoie(Ligne("A1", "12") + "\r");
    EXPECT_EQ(t.pty.Recoit(4), "ACK\r");
    EXPECT_EQ(t.Spools().size(), 1);
    t.pty.Envoie("court\rACK\r");
    t.pty.Envoie(Ligne("B2", "3") + "\rOVER\r");
    EXPECT_EQ(t.pty.Recoit(4), "ACK\r");
    EXPECT_EQ(t.trames, QStringList{"A1\r12\r\nB2\r3\r\n"});
    EXPECT_FALSE(t.acquisition->Occupe());
    EXPECT_TRUE(t.Spools().isEmpty());

    // The next run does not start with the last end signal in front of its first line.
    ASSERT_TRUE(t.acquisition->Demarre());
    EXPECT_EQ(t.pty.Recoit(5), "READ\r"); // and nothing was acknowledged in between
    t.pty.Envoie(Ligne("C3", "4") + "\rOVER\r");
    EXPECT_EQ(t.trames.back(), "C3\r4\r\n");
}

TEST(Acquisition, ScanPalEndsOnTwoEndSignals) {
    const struct {
        const char* nom;
        QByteArray envoi;
        bool fini;
        const char* trame;
    } cas[] = {
        {"OVER twice on separate lines", Ligne("A", "1") + "\rOVER\rOVER\r", true, "A\r1\r\n"},
        {"OVER then an empty line", "OVER\r\r", true, ""},
        {"one OVER then a record: the record carries it", "OVER\r" + Ligne("A", "1") + "\r", false,
         ""},
    };
    for (const auto& c : cas) {
        Terminal t("ScanPal");
        ASSERT_TRUE(t.acquisition->Demarre());
        t.pty.Envoie(c.envoi);
        EXPECT_EQ(!t.acquisition->Occupe(), c.fini) << c.nom;
        if (c.fini) {
            EXPECT_EQ(t.trames, QStringList{c.trame}) << c.nom;
        } else {
            EXPECT_TRUE(t.trames.isEmpty());
            EXPECT_EQ(t.etat.TrameRecue, "OVERA\r|1\r\n") << c.nom;
        }
    }
}

TEST(Acquisition, OtherTerminalsAreNotAsked) {
    for (const char* type : {"HT630", "PT630", ""}) {
        Terminal t(type);
        EXPECT_FALSE(t.acquisition->Demarre());
        ASSERT_TRUE(t.port.Output("X"));
        EXPECT_EQ(t.pty.Recoit(1), "X") << type; // nothing was sent before
        EXPECT_TRUE(t.trames.isEmpty());
    }
}

TEST(Acquisition, AcknowledgedRecordsSurviveAnInterruptedRun) {
    Terminal t("Optimus");
    ASSERT_TRUE(t.acquisition->Demarre());
    t.pty.Envoie(Ligne("A1", "12") + "\r");
    EXPECT_EQ(t.pty.Recoit(9), "READ\rACK\r");
    t.acquisition.reset(); // the program stops before the end signal
    ASSERT_EQ(t.Spools().size(), 1);
    EXPECT_EQ(t.t.dossier.Lit("donnees/" + t.Spools()[0]), "A1\r12\r\n");
}

TEST(Acquisition, ARecordThatDoesNotFitOnTheDiskStopsTheRunWithTheSystemsReason) {
    const QString raison = QString::fromLocal8Bit(std::strerror(EFBIG));
    const struct {
        rlim_t place;      // bytes the spool file may hold: a record is 7
        QByteArray spool;  // what it holds afterwards; empty: it is gone
        QString fin;       // how the message ends
        QByteArray acquis; // what the terminal received
    } cas[] = {
        {3, "", "Aucun enregistrement n'avait été acquitté : le terminal les garde tous.",
         "READ\r"},
        {10, "A1\r12\r\n", "Les enregistrements déjà reçus sont conservés dans le fichier %1.",
         "READ\rACK\r"},
    };
    for (const auto& c : cas) {
        Terminal t("Optimus");
        ASSERT_TRUE(t.acquisition->Demarre());
        const QString chemin = t.t.Chemin(t.Spools().value(0));
        {
            LimiteTailleFichier limite(c.place);
            t.pty.Envoie(Ligne("A1", "12") + "\r" + Ligne("B2", "3") + "\r");
        }
        EXPECT_FALSE(t.acquisition->Occupe()) << c.place;
        EXPECT_EQ(t.pty.Recoit(c.acquis.size() + 1, 300), c.acquis) << c.place;
        EXPECT_EQ(QFile::exists(chemin), !c.spool.isEmpty()) << c.place;
        if (!c.spool.isEmpty()) {
            EXPECT_EQ(t.t.dossier.Lit("donnees/" + t.Spools()[0]), c.spool);
        }
        ASSERT_EQ(t.t.dialogues.Messages().size(), 1) << c.place;
        const QString message = t.t.dialogues.Messages()[0];
        EXPECT_TRUE(message.startsWith("Erreur d'écriture du fichier " + chemin + " (" + raison +
                                       ") : l'enregistrement n'est pas acquitté."))
            << message.toStdString();
        EXPECT_TRUE(message.endsWith(QString(c.fin).replace("%1", chemin)))
            << message.toStdString();
    }
}

TEST(Acquisition, EachRecordIsSyncedToDiskBeforeItsAck) {
    Terminal t("Optimus");
    QStringList spoolAuMoment; // what the spool holds each time a record is synced
    t.acquisition->synchronise = [&](QFile& f) {
        const bool ok = plateforme::SynchroniseFichier(f);
        spoolAuMoment << t.t.dossier.Lit("donnees/" + t.Spools().value(0));
        return ok;
    };
    ASSERT_TRUE(t.acquisition->Demarre());
    t.pty.Envoie(Ligne("A1", "12") + "\r" + Ligne("B2", "3") + "\r");
    EXPECT_EQ(t.pty.Recoit(13), "READ\rACK\rACK\r");
    EXPECT_EQ(spoolAuMoment, (QStringList{"A1\r12\r\n", "A1\r12\r\nB2\r3\r\n"}));
}

TEST(Acquisition, ARunThatCannotGoOnStopsAndKeepsWhatWasAcknowledged) {
    // After one acknowledged record, the second one meets each failure.
    const struct {
        const char* nom;
        bool syncEchoue;
        bool terminalFerme; // while the second record is written
        const char* message;
        const char* spool;
    } cas[] = {
        {"the record cannot be synced", true, false, "Erreur d'écriture du fichier", "A1\r12\r\n"},
        {"its ACK cannot be sent", false, true, "L'acquittement (ACK) d'un enregistrement n'a pas",
         "A1\r12\r\nB2\r3\r\n"},
    };
    for (const auto& c : cas) {
        Terminal t("Optimus");
        int synchronisations = 0;
        t.acquisition->synchronise = [&](QFile& f) {
            if (++synchronisations < 2) {
                return plateforme::SynchroniseFichier(f);
            }
            if (c.terminalFerme) {
                t.pty.Ferme();
            }
            return !c.syncEchoue && plateforme::SynchroniseFichier(f);
        };
        ASSERT_TRUE(t.acquisition->Demarre());
        t.pty.Envoie(Ligne("A1", "12") + "\r");
        EXPECT_EQ(t.pty.Recoit(9), "READ\rACK\r") << c.nom;
        t.pty.Envoie(Ligne("B2", "3") + "\r");

        EXPECT_FALSE(t.acquisition->Occupe()) << c.nom;
        EXPECT_EQ(t.interruptions, 1) << c.nom;
        EXPECT_TRUE(t.trames.isEmpty()) << c.nom;
        ASSERT_EQ(t.Spools().size(), 1) << c.nom;
        EXPECT_EQ(t.t.dossier.Lit("donnees/" + t.Spools()[0]), c.spool) << c.nom;
        ASSERT_EQ(t.t.dialogues.Messages().size(), 1) << c.nom;
        EXPECT_TRUE(t.t.dialogues.Messages()[0].startsWith(c.message)) << c.nom;
        EXPECT_TRUE(t.t.dialogues.Messages()[0].contains(t.Spools()[0])) << c.nom;
        if (!c.terminalFerme) {
            // No ACK went out for the record that is not on disk.
            ASSERT_TRUE(t.port.Output("X"));
            EXPECT_EQ(t.pty.Recoit(1), "X") << c.nom;
        }
    }
}

TEST(Acquisition, ATerminalThatVanishesEndsTheRun) {
    Terminal t("ScanPal");
    ASSERT_TRUE(t.acquisition->Demarre());
    t.pty.Envoie(Ligne("A1", "12") + "\r");
    EXPECT_EQ(t.pty.Recoit(9), "READ\rACK\r");
    t.pty.Envoie("B2   "); // half a line, then the line goes dead
    t.pty.Ferme();
    ASSERT_TRUE(AttendQue([&] { return !t.acquisition->Occupe(); }));
    EXPECT_EQ(t.interruptions, 1);
    EXPECT_TRUE(t.trames.isEmpty());
    ASSERT_EQ(t.Spools().size(), 1);
    EXPECT_EQ(t.t.dossier.Lit("donnees/" + t.Spools()[0]), "A1\r12\r\n");
    ASSERT_EQ(t.t.dialogues.Messages().size(), 1);
    EXPECT_TRUE(t.t.dialogues.Messages()[0].startsWith("Le terminal ne répond plus"));
    EXPECT_TRUE(t.t.dialogues.Messages()[0].contains(t.Spools()[0]));
    EXPECT_FALSE(t.port.PortOpen());
}

TEST(Acquisition, ASilentTerminalEndsTheRunItsRecordsKept) {
    Terminal t("Optimus");
    t.acquisition->interrompue = [&] {
        ++t.interruptions;
    };
    ASSERT_TRUE(t.acquisition->Demarre());
    t.pty.Envoie(Ligne("A1", "12") + "\r");
    EXPECT_EQ(t.pty.Recoit(9), "READ\rACK\r");
    // Characters came during the first check; then nothing.
    EXPECT_EQ(t.minuterie.delais, QList<int>{Acquisition::kSilenceMax / 3});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(t.acquisition->Occupe()) << i;
        ASSERT_TRUE(t.minuterie.Avance());
    }
    ASSERT_TRUE(t.minuterie.Avance());
    EXPECT_FALSE(t.acquisition->Occupe());
    EXPECT_EQ(t.interruptions, 1);
    EXPECT_TRUE(t.trames.isEmpty());
    ASSERT_EQ(t.Spools().size(), 1);
    EXPECT_EQ(t.t.dossier.Lit("donnees/" + t.Spools()[0]), "A1\r12\r\n");
    ASSERT_EQ(t.t.dialogues.Messages().size(), 1);
    EXPECT_TRUE(t.t.dialogues.Messages()[0].startsWith(
        "Le terminal n'a rien envoyé depuis 30 secondes : acquisition arrêtée."));
    EXPECT_FALSE(t.minuterie.Avance()); // nothing more is checked
}
