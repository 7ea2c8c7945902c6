// Tallyra against tallyra-ledger on the private session bus the test runs in.

#include "OutilsTallyra.h"

#include "inventory/ServeurLedgraDBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>
#include <csignal>
#include <gtest/gtest.h>
#include <signal.h>

using namespace kovra::tallyra;
using namespace kovra::tallyra::test;

namespace {

QStringList Journal(const QString& chemin) {
    QStringList appels;
    const QString nom = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(chemin);
        if (db.open()) {
            QSqlQuery q(
                QStringLiteral("SELECT Methode, Arg1, Arg2, Arg3 FROM Appel ORDER BY Numero"), db);
            while (q.next()) {
                QString a = q.value(0).toString() + u'(' + q.value(1).toString();
                if (!q.value(2).toString().isEmpty() || q.value(0).toString() == u"Init") {
                    a += u'|' + q.value(2).toString() + u'|' + q.value(3).toString();
                }
                appels << a + u')';
            }
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return appels;
}

bool Possede(const QString& nom) {
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(nom).value();
}

class BoutEnBout : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
        CreeBaseArticles(d.Chemin("LedgC.db"), {{"A12", "3760001"}, {"ZZ", "999"}});
    }
    void TearDown() override {
        if (ledger.state() != QProcess::NotRunning) {
            ledger.kill();
            ledger.waitForFinished();
        }
        for (const QString& nom : {NomServeurLedgra(1), NomServeurLedgra(2)}) {
            for (int i = 0; i < 100 && Possede(nom); ++i) {
                QThread::msleep(20);
            }
        }
    }

    void DemarreLedger(const QStringList& options) {
        ledger.start(QStringLiteral(TALLYRA_LEDGER_EXE),
                     QStringList{"--journal", d.Chemin("journal.db")} + options);
        ASSERT_TRUE(ledger.waitForStarted());
        for (int i = 0; i < 250 && !Possede(NomServeurLedgra(1)) && !Possede(NomServeurLedgra(2));
             ++i) {
            QThread::msleep(20);
        }
    }

    // Runs tallyra --batch; returns its exit code, standard error in `sortie`.
    int Tallyra(const QByteArray& inventaire, const QStringList& options = {}) {
        d.Ecrit("inv.txt", inventaire);
        QProcess p;
        p.start(QStringLiteral(TALLYRA_EXE),
                QStringList{"--batch", "--inventory", d.Chemin("inv.txt"), "--company", "SOC",
                            "--depot", "D1", "--database", d.Chemin("LedgC.db"), "--dir",
                            d.dir.path()} +
                    options);
        EXPECT_TRUE(p.waitForFinished(60000));
        sortie = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitCode();
    }

    DossierTallyraTest d;
    QProcess ledger;
    QString sortie;
};

TEST_F(BoutEnBout, NormalFileIsPostedAndValidated) {
    DemarreLedger({});
    EXPECT_EQ(Tallyra("3760001;3;\r\nzz;2;\r\n\r\nA12;1;\r\n"), 0) << sortie.toStdString();
    EXPECT_EQ(Journal(d.Chemin("journal.db")),
              QStringList({"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|3)",
                           "InventaireArticle(D1|ZZ|2)", "InventaireArticle(D1|A12|1)",
                           "ValidationInventaire(D1)"}));
    EXPECT_TRUE(sortie.contains("Importation d'inventaire terminée ..."));
}

TEST_F(BoutEnBout, FailuresOfTheManagementApplicationEndWithCode1) {
    struct Cas {
        const char* nom;
        QStringList options;
        QStringList journal;
        const char* extrait;
    };
    const Cas cas[] = {
        {"refused", {"--refuse-init"}, {"Init(SOC||)", "InitInventaire(D1)"}, "a refusé"},
        {"error at line 2",
         {"--fail-at", "2"},
         {"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|1)",
          "InventaireArticle(D1|ZZ|2)"},
         "ledgra : 1 sur 3"},
        {"non-numeric answer",
         {"--non-numeric-at", "1"},
         {"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|1)"},
         // The server took the line: it counts.
         "Incompatibilité de type ; la ligne a été transmise, réponse illisible\n\nLignes "
         "transmises à la ledgra : 1 sur 3."},
        {"dies mid-import",
         {"--exit-at", "2"},
         {"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|1)",
          "InventaireArticle(D1|ZZ|2)"},
         "La ledgra s'est arrêtée pendant l'importation (D-Bus : org.freedesktop.DBus.Error."},
        {"dies during a call",
         {"--exit-at", "2"},
         {"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|1)",
          "InventaireArticle(D1|ZZ|2)"},
         "on ne sait pas si la ledgra a reçu cette ligne\n\nLignes transmises à la ledgra : 1 "
         "sur 3."},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        QFile::remove(d.Chemin("journal.db"));
        DemarreLedger(c.options);
        EXPECT_EQ(Tallyra("A12;1;\nZZ;2;\nA12;3;\n"), 1);
        EXPECT_TRUE(sortie.contains(QString::fromUtf8(c.extrait))) << sortie.toStdString();
        // Each message once.
        const QStringList lignes = sortie.split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(QSet<QString>(lignes.begin(), lignes.end()).size(), lignes.size())
            << sortie.toStdString();
        EXPECT_EQ(Journal(d.Chemin("journal.db")), c.journal);
        TearDown();
    }
}

TEST_F(BoutEnBout, ServerStartedByTheBusWhenNoOneOwnsTheName) {
    QFile::remove(QStringLiteral(TALLYRA_JOURNAL_ACTIVATION));
    ASSERT_FALSE(Possede(NomServeurLedgra(2)));
    EXPECT_EQ(Tallyra("A12;4;\n", {"--edition", "2"}), 0) << sortie.toStdString();
    EXPECT_EQ(Journal(QStringLiteral(TALLYRA_JOURNAL_ACTIVATION)),
              QStringList({"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|4)",
                           "ValidationInventaire(D1)"}));
    // End the started stand-in.
    const uint pid =
        QDBusConnection::sessionBus().interface()->servicePid(NomServeurLedgra(2)).value();
    ASSERT_GT(pid, 0u);
    ::kill(static_cast<pid_t>(pid), SIGTERM);
}

TEST_F(BoutEnBout, HeldServerReusedWhileAliveAndCreatedAgainAfterARestart) {
    DemarreLedger({"--fail-at", "2"});
    ServeurTenu tenu;
    int creations = 0;
    const FabriqueServeur base = FabriqueServeurDBus();
    const FabriqueServeur fabrique = [&](qint16 e) {
        ++creations;
        return base(e);
    };
    const auto importe = [&](const QByteArray& fichier) {
        d.Ecrit("inv.txt", fichier);
        SuiviEnregistre suivi;
        ImportInventaire i(
            {"SOC", "D1", d.Chemin("inv.txt"), d.Chemin("LedgC.db"), 1, d.dir.path()}, tenu,
            fabrique, suivi);
        i.Execute();
        return i.Bilan();
    };
    EXPECT_EQ(importe("A12;1;\nZZ;2;\n").issue, IssueImport::Erreur);
    ASSERT_TRUE(tenu.serveur);
    EXPECT_TRUE(importe("A12;1;\n").Complete()); // the same live instance
    EXPECT_EQ(creations, 1);

    // Released by the completed import, so this one creates it again, and keeps it.
    EXPECT_EQ(importe("A12;1;\nZZ;2;\n").issue, IssueImport::Erreur);
    EXPECT_EQ(creations, 2);
    ledger.kill();
    ledger.waitForFinished();
    for (int i = 0; i < 100 && Possede(NomServeurLedgra(1)); ++i) {
        QThread::msleep(20);
    }
    DemarreLedger({});
    EXPECT_TRUE(importe("A12;5;\n").Complete()); // a new instance, which saw Init
    EXPECT_EQ(creations, 3);
    const QStringList journal = Journal(d.Chemin("journal.db"));
    EXPECT_EQ(journal.mid(journal.size() - 4),
              QStringList({"Init(SOC||)", "InitInventaire(D1)", "InventaireArticle(D1|A12|5)",
                           "ValidationInventaire(D1)"}));
}

} // namespace
