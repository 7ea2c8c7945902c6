// tallyra-ledger: a stand-in management application for trying Tallyra and for its tests.

#include "base/ErreurKovra.h"
#include "base/GardeFinale.h"
#include "base/Version.h"
#include "inventory/ServeurLedgra.h"
#include "inventory/ledger/LedgraSubstitut.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>
#include <cstdio>

using namespace kovra::tallyra;

namespace {

void Erreur(const QString& texte) {
    std::fprintf(stderr, "tallyra-ledger: %s\n", qPrintable(texte));
}

} // namespace

int Execute(QCoreApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("tallyra-ledger"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kovra::kVersionTexte));
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Stand-in management application answering Tallyra on the D-Bus "
                       "session bus, recording every call in an SQLite journal."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption edition(QStringLiteral("edition"),
                                     QStringLiteral("Bus names to own: 1 (Ledgra.ClsProjet), 2 "
                                                    "(Ledgra8.ClsProjet) or both (default)."),
                                     QStringLiteral("1|2|both"), QStringLiteral("both"));
    const QCommandLineOption journal(
        QStringLiteral("journal"), QStringLiteral("SQLite journal of the calls (table Appel)."),
        QStringLiteral("file"), QStringLiteral("tallyra-ledger-journal.db"));
    const QCommandLineOption articles(
        QStringLiteral("articles"),
        QStringLiteral("Fill table Article of --database from a file of code;barcode lines, "
                       "then exit."),
        QStringLiteral("file"));
    const QCommandLineOption base(QStringLiteral("database"),
                                  QStringLiteral("Article database filled by --articles."),
                                  QStringLiteral("file"));
    const QCommandLineOption refuse(QStringLiteral("refuse-init"),
                                    QStringLiteral("InitInventaire answers false."));
    const QCommandLineOption echec(QStringLiteral("fail-at"),
                                   QStringLiteral("The n-th InventaireArticle answers an error."),
                                   QStringLiteral("n"));
    const QCommandLineOption nonNumerique(
        QStringLiteral("non-numeric-at"),
        QStringLiteral("The n-th InventaireArticle answers a text that is no number."),
        QStringLiteral("n"));
    const QCommandLineOption sortie(
        QStringLiteral("exit-at"),
        QStringLiteral("The program ends, without answering, at the n-th InventaireArticle."),
        QStringLiteral("n"));
    p.addOptions({edition, journal, articles, base, refuse, echec, nonNumerique, sortie});
    p.process(app);

    if (p.isSet(articles)) {
        if (!p.isSet(base)) {
            Erreur(QStringLiteral("--articles needs --database"));
            return 2;
        }
        try {
            const int n = RemplitArticles(p.value(base), p.value(articles));
            std::fprintf(stderr, "tallyra-ledger: %d articles added\n", n);
        } catch (const kovra::ErreurKovra& e) {
            Erreur(e.Message());
            return 1;
        }
        return 0;
    }

    QStringList noms;
    const QString e = p.value(edition);
    if (e == u"1" || e == u"both") {
        noms << NomServeurLedgra(1);
    }
    if (e == u"2" || e == u"both") {
        noms << NomServeurLedgra(2);
    }
    if (noms.isEmpty()) {
        Erreur(QStringLiteral("--edition takes 1, 2 or both"));
        return 2;
    }
    ConduiteLedgra conduite;
    conduite.refuseInventaire = p.isSet(refuse);
    conduite.echecALaLigne = p.value(echec).toInt();
    conduite.nonNumeriqueALaLigne = p.value(nonNumerique).toInt();
    conduite.sortieALaLigne = p.value(sortie).toInt();

    LedgraSubstitut objet(noms, conduite);
    try {
        objet.OuvreJournal(p.value(journal));
    } catch (const kovra::ErreurKovra& refus) {
        Erreur(QStringLiteral("journal %1: %2").arg(p.value(journal), refus.Message()));
        return 1;
    }
    QObject::connect(
        &objet, &LedgraSubstitut::SortieDemandee, &app, [] { QCoreApplication::exit(3); },
        Qt::QueuedConnection);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Erreur(QStringLiteral("no session bus: ") + bus.lastError().message());
        return 1;
    }
    if (!bus.registerVirtualObject(QStringLiteral("/"), &objet)) {
        Erreur(QStringLiteral("cannot register the object /"));
        return 1;
    }
    for (const QString& nom : noms) {
        if (!bus.registerService(nom)) {
            Erreur(QStringLiteral("cannot own %1: %2").arg(nom, bus.lastError().message()));
            return 1;
        }
    }
    // A service the bus started has nobody else to end it: it goes with its bus.
    QTimer veille;
    QObject::connect(&veille, &QTimer::timeout, &app, [] {
        if (!QDBusConnection::sessionBus().isConnected()) {
            Erreur(QStringLiteral("the session bus went away"));
            QCoreApplication::exit(0);
        }
    });
    veille.start(1000);
    return app.exec();
}

int main(int argc, char* argv[]) {
    const auto signale = [](const QString& message) {
        Erreur(QStringLiteral("unexpected error: ") + message);
    };
    kovra::ApplicationProtegee<QCoreApplication> app(argc, argv, signale);
    return kovra::ExecuteProtege([&] { return Execute(app); }, signale);
}
