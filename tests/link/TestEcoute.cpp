// Kovra headless, end to end: the terminal simulator on a pseudo-terminal, kovra-cli
// listening with a file scenario.
#include "support/DossierTest.h"
#include "support/Ser2net.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

struct Poste {
    Poste() {
        env.insert("XDG_CONFIG_HOME", d.Chemin("config"));
        env.insert("KOVRA_DIR", d.Chemin("donnees"));
        env.remove("DISPLAY");
        Cli({"scenario", "create", "Stock", "--type", "Fichier", "--path", d.Chemin("Stock.txt")});
        for (const char* a : {"&CODE", ";", "&QTY", "&PASSLIGNE"}) {
            Cli({"scenario", "add", "Stock", a});
        }
        Cli({"scenario", "loop", "Stock", "1"});
        Cli({"registry", "set", "RacScenChx", "Stock"});
    }

    int Cli(const QStringList& arguments) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KOVRA_CLI_EXE, arguments);
        p.waitForFinished(30000);
        return p.exitCode();
    }

    // Starts the simulator and points PortSerie.ini at its line.
    void Terminal(const QString& type, const QStringList& options) {
        terminal.start(KOVRA_TERMINAL_EXE, QStringList{"--type", type} + options);
        ASSERT_TRUE(terminal.waitForReadyRead(5000));
        const QString chemin = QString::fromUtf8(terminal.readLine()).trimmed();
        ASSERT_TRUE(chemin.startsWith("/dev/"));
        ligne = chemin;
        Cli({"ini", "set", "PortSerie.ini", "Port_série", "Port", "1"});
        Cli({"ini", "set", "PortSerie.ini", "Port_série", "Peripherique", chemin});
        Cli({"ini", "set", "PortSerie.ini", "Port_série", "Protocol", type});
    }

    QByteArray AttendSortie(const QByteArray& attendu) {
        QElapsedTimer t;
        t.start();
        while (d.Lit("Stock.txt") != attendu && t.elapsed() < 15000) {
            QThread::msleep(50);
        }
        return d.Lit("Stock.txt");
    }

    DossierTest d;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess terminal;
    QString ligne; // the simulator's line
};

} // namespace

TEST(Ecoute, TurnsAnHt630TransferIntoAFile) {
    Poste p;
    p.Terminal("HT630", {"--text", "A1\\r12\\rB2\\r3\\r", "--start", "1500", "--chunk", "5",
                         "--pause", "100"});
    QProcess ecoute;
    ecoute.setProcessEnvironment(p.env);
    ecoute.start(KOVRA_CLI_EXE, {"listen"});
    EXPECT_EQ(p.AttendSortie("A1;12\r\nB2;3\r\n"), "A1;12\r\nB2;3\r\n");
    ecoute.terminate(); // SIGTERM ends listening cleanly
    ASSERT_TRUE(ecoute.waitForFinished(10000));
    EXPECT_EQ(ecoute.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ecoute.exitCode(), 0) << ecoute.readAllStandardError().toStdString();
    EXPECT_TRUE(p.terminal.waitForFinished(10000));
    EXPECT_EQ(p.terminal.exitCode(), 0);
}

// On its own line, then behind a serial device server: ser2net serves the simulator's
// line, and kovra-cli reaches it over RFC 2217 and over raw TCP.
TEST(Ecoute, AcquiresOptimusRecords) {
    for (const QString schema : {"", "rfc2217", "tcp"}) {
        SCOPED_TRACE(schema.toStdString());
        Poste p;
        const QByteArray l1 = QByteArray("A1").leftJustified(20, ' ') + "|12    X";
        const QByteArray l2 = QByteArray("B2").leftJustified(20, ' ') + "|3     X";
        p.Terminal("Optimus", {"--text", QString::fromLatin1(l1 + "\\r" + l2 + "\\r")});
        std::unique_ptr<kovra::test::Ser2net> serveur;
        if (!schema.isEmpty()) {
            serveur = std::make_unique<kovra::test::Ser2net>(p.ligne);
            ASSERT_TRUE(serveur->Pret());
            const quint16 numero = schema == "tcp" ? serveur->PortBrut() : serveur->PortRfc2217();
            p.Cli({"port", "set", "--device",
                   QStringLiteral("%1://127.0.0.1:%2").arg(schema).arg(numero)});
        }
        QProcess acquisition;
        acquisition.setProcessEnvironment(p.env);
        acquisition.start(KOVRA_CLI_EXE, {"listen", "--acquire"});
        ASSERT_TRUE(acquisition.waitForFinished(20000));
        EXPECT_EQ(acquisition.exitCode(), 0) << acquisition.readAllStandardError().toStdString();
        EXPECT_EQ(p.d.Lit("Stock.txt"), "A1;12\r\nB2;3\r\n");
        ASSERT_TRUE(p.terminal.waitForFinished(10000));
        const QString journal = QString::fromUtf8(p.terminal.readAllStandardOutput());
        EXPECT_EQ(journal.count("received ACK"), 2) << journal.toStdString();
        EXPECT_EQ(p.terminal.exitCode(), 0);
    }
}

TEST(Ecoute, AnAcquisitionCutByTheTerminalEndsWithItsRecordsKept) {
    Poste p;
    const QByteArray l1 = QByteArray("A1").leftJustified(20, ' ') + "|12    X";
    const QByteArray l2 = QByteArray("B2").leftJustified(20, ' ') + "|3     X";
    // The terminal goes away after its first record, without its end signal.
    p.Terminal("Optimus",
               {"--text", QString::fromLatin1(l1 + "\\r" + l2 + "\\r"), "--vanish", "1"});
    QProcess acquisition;
    acquisition.setProcessEnvironment(p.env);
    acquisition.start(KOVRA_CLI_EXE, {"listen", "--acquire"});
    ASSERT_TRUE(acquisition.waitForFinished(20000)) << "the run does not end";
    const QString erreurs = QString::fromUtf8(acquisition.readAllStandardError());
    EXPECT_EQ(acquisition.exitCode(), 1) << erreurs.toStdString();
    EXPECT_TRUE(erreurs.contains("Le terminal ne répond plus")) << erreurs.toStdString();
    const QStringList spools =
        QDir(p.d.Chemin("donnees")).entryList({"acquisition-*.tmp"}, QDir::Files);
    ASSERT_EQ(spools.size(), 1);
    EXPECT_TRUE(erreurs.contains(spools[0])) << erreurs.toStdString();
    EXPECT_EQ(p.d.Lit("donnees/" + spools[0]), "A1\r12\r\n");
    EXPECT_FALSE(QFile::exists(p.d.Chemin("Stock.txt")));
    ASSERT_TRUE(p.terminal.waitForFinished(10000));
    EXPECT_EQ(p.terminal.exitCode(), 0);
}

TEST(Ecoute, SaysWhatIsMissing) {
    Poste p;
    QProcess ecoute;
    ecoute.setProcessEnvironment(p.env);
    ecoute.start(KOVRA_CLI_EXE, {"listen"}); // no port chosen yet
    ASSERT_TRUE(ecoute.waitForFinished(10000));
    EXPECT_EQ(ecoute.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(ecoute.readAllStandardError()).contains("Port"));
}

namespace {

// Waits until the program has said `texte`; everything it said so far.
QString AttendTexte(QProcess& p, const QString& texte) {
    QString lu;
    QElapsedTimer t;
    t.start();
    while (!lu.contains(texte) && t.elapsed() < 10000 && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(100);
        lu += QString::fromUtf8(p.readAll());
    }
    return lu;
}

} // namespace

TEST(Ecoute, OneProgramAtATimeListensOnADataFolder) {
    Poste p;
    p.Terminal("HT630", {"--text", "A1\\r12\\r", "--start", "60000"});
    QProcess premiere;
    premiere.setProcessEnvironment(p.env);
    premiere.setProcessChannelMode(QProcess::MergedChannels);
    premiere.start(KOVRA_CLI_EXE, {"listen"});
    ASSERT_TRUE(AttendTexte(premiere, "Écoute du terminal").contains("Écoute du terminal"));
    QProcess seconde;
    seconde.setProcessEnvironment(p.env);
    seconde.start(KOVRA_CLI_EXE, {"listen"});
    ASSERT_TRUE(seconde.waitForFinished(10000));
    EXPECT_EQ(seconde.exitCode(), 1);
    EXPECT_TRUE(
        QString::fromUtf8(seconde.readAllStandardError()).contains("Application déjà active !"));
    premiere.kill(); // a program that dies leaves a lock the next one takes over
    ASSERT_TRUE(premiere.waitForFinished(10000));
    QProcess troisieme;
    troisieme.setProcessEnvironment(p.env);
    troisieme.setProcessChannelMode(QProcess::MergedChannels);
    troisieme.start(KOVRA_CLI_EXE, {"listen"});
    EXPECT_TRUE(AttendTexte(troisieme, "Écoute du terminal").contains("Écoute du terminal"));
    troisieme.terminate();
    EXPECT_TRUE(troisieme.waitForFinished(10000));
    p.terminal.kill();
    p.terminal.waitForFinished(10000);
}

TEST(Ecoute, WithoutADisplayAKeystrokeFrameIsKeptNotLost) {
    Poste p;
    p.Cli({"scenario", "create", "Saisie", "--type", "Emulation"});
    for (const char* a : {"&CODE", "{TAB}", "&QTY", "{ENTER}"}) {
        p.Cli({"scenario", "add", "Saisie", a});
    }
    p.Cli({"registry", "set", "RacScenChx", "Saisie"});
    p.Terminal("HT630", {"--text", "A1\\r12\\r", "--start", "1500"});
    QProcess ecoute;
    ecoute.setProcessEnvironment(p.env); // no DISPLAY
    ecoute.setProcessChannelMode(QProcess::MergedChannels);
    ecoute.start(KOVRA_CLI_EXE, {"listen"});
    const QString dit = AttendTexte(ecoute, "Trame non livrée.");
    EXPECT_TRUE(dit.contains("session X11")) << dit.toStdString();
    const QStringList gardes =
        QDir(p.d.Chemin("donnees")).entryList({"nonlivree-*.tmp"}, QDir::Files);
    ASSERT_EQ(gardes.size(), 1) << dit.toStdString();
    EXPECT_TRUE(dit.contains(gardes[0]));
    EXPECT_EQ(p.d.Lit("donnees/" + gardes[0]), "A1\r12\r");
    ecoute.terminate();
    EXPECT_TRUE(ecoute.waitForFinished(10000));
}

TEST(Ecoute, Ht630TransfersCloserThanACycleAreEachDelivered) {
    Poste p;
    p.Cli({"scenario", "create", "Lots", "--type", "Fichier", "--path", p.d.Chemin("Lots.txt"),
           "--numbered"});
    for (const char* a : {"&CODE", ";", "&QTY", "&PASSLIGNE"}) {
        p.Cli({"scenario", "add", "Lots", a});
    }
    p.Cli({"registry", "set", "RacScenChx", "Lots"});
    // 20 transfers 100 ms apart: several of them arrive within one 300 ms collection.
    QString texte;
    QSet<QString> attendus;
    for (int i = 10; i < 30; ++i) {
        texte += QString("T%1\\r1\\rFINTRANSKOVRA").arg(i);
        attendus << QString("T%1;1\r\n").arg(i);
    }
    texte.chop(QString("FINTRANSKOVRA").size()); // the simulator ends the last one
    p.Terminal("HT630", {"--text", texte, "--start", "1500", "--chunk", "19", "--pause", "100"});
    QProcess ecoute;
    ecoute.setProcessEnvironment(p.env);
    ecoute.start(KOVRA_CLI_EXE, {"listen"});
    QSet<QString> livres;
    QElapsedTimer t;
    t.start();
    while (livres.size() < attendus.size() && t.elapsed() < 20000) {
        QThread::msleep(100);
        livres.clear();
        for (const QString& nom : QDir(p.d.Chemin()).entryList({"Lots*.txt"}, QDir::Files)) {
            livres << QString::fromLatin1(p.d.Lit(nom));
        }
    }
    ecoute.terminate();
    ASSERT_TRUE(ecoute.waitForFinished(10000));
    EXPECT_EQ(livres, attendus) << ecoute.readAllStandardError().toStdString();
    p.terminal.waitForFinished(10000);
}
