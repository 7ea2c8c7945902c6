#include "inventory/ledger/LedgraSubstitut.h"

#include "base/ErreurKovra.h"

#include "inventory/LignesInventaire.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDateTime>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace kovra::tallyra {

namespace {

const QString kErreurOrdre = QStringLiteral("Ledgra.Erreur.Ordre");
const QString kErreurArticle = QStringLiteral("Ledgra.Erreur.Article");

QString Interface(const QString& nom) {
    return QStringLiteral("  <interface name=\"%1\">\n"
                          "    <method name=\"Init\"><arg name=\"societe\" type=\"s\" "
                          "direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"s\" "
                          "direction=\"in\"/><arg type=\"n\" direction=\"out\"/></method>\n"
                          "    <method name=\"InitInventaire\"><arg name=\"depot\" type=\"s\" "
                          "direction=\"in\"/><arg type=\"b\" direction=\"out\"/></method>\n"
                          "    <method name=\"InventaireArticle\"><arg name=\"depot\" "
                          "type=\"s\" direction=\"in\"/><arg name=\"article\" type=\"s\" "
                          "direction=\"in\"/><arg name=\"quantite\" type=\"s\" "
                          "direction=\"in\"/><arg type=\"i\" direction=\"out\"/></method>\n"
                          "    <method name=\"ValidationInventaire\"><arg name=\"depot\" "
                          "type=\"s\" direction=\"in\"/><arg type=\"v\" "
                          "direction=\"out\"/></method>\n"
                          "  </interface>\n")
        .arg(nom);
}

} // namespace

LedgraSubstitut::LedgraSubstitut(QStringList interfaces, ConduiteLedgra conduite, QObject* parent)
    : QDBusVirtualObject(parent), interfaces_(std::move(interfaces)), conduite_(conduite),
      connexionJournal_(QStringLiteral("journal-") +
                        QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

LedgraSubstitut::~LedgraSubstitut() {
    if (QSqlDatabase::contains(connexionJournal_)) {
        QSqlDatabase::database(connexionJournal_, false).close();
        QSqlDatabase::removeDatabase(connexionJournal_);
    }
}

void LedgraSubstitut::OuvreJournal(const QString& chemin) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexionJournal_);
    db.setDatabaseName(chemin);
    QSqlQuery q(db);
    if (!db.open() ||
        !q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS Appel (Numero INTEGER PRIMARY KEY "
                               "AUTOINCREMENT, Moment TEXT, Client TEXT, Interface TEXT, "
                               "Methode TEXT, Arg1 TEXT, Arg2 TEXT, Arg3 TEXT, Reponse TEXT)"))) {
        throw ErreurKovra(db.lastError().text() + q.lastError().text());
    }
}

void LedgraSubstitut::Note(const QDBusMessage& message, const QString& reponse) {
    if (!QSqlDatabase::contains(connexionJournal_)) {
        return;
    }
    QSqlQuery q(QSqlDatabase::database(connexionJournal_));
    q.prepare(QStringLiteral("INSERT INTO Appel (Moment, Client, Interface, Methode, Arg1, Arg2, "
                             "Arg3, Reponse) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(QDateTime::currentDateTime().toString(Qt::ISODateWithMs));
    q.addBindValue(message.service());
    q.addBindValue(message.interface());
    q.addBindValue(message.member());
    const QVariantList args = message.arguments();
    for (int i = 0; i < 3; ++i) {
        q.addBindValue(i < args.size() ? args[i].toString() : QString());
    }
    q.addBindValue(reponse);
    if (!q.exec()) {
        qWarning("tallyra-ledger: journal: %s", qPrintable(q.lastError().text()));
    }
}

QString LedgraSubstitut::introspect(const QString&) const {
    QString xml;
    for (const QString& i : interfaces_) {
        xml += Interface(i);
    }
    return xml;
}

bool LedgraSubstitut::handleMessage(const QDBusMessage& message,
                                    const QDBusConnection& connection) {
    if (!interfaces_.contains(message.interface())) {
        return false;
    }
    QDBusConnection bus = connection;
    const auto refuse = [&](const QString& nom, const QString& texte) {
        Note(message, QStringLiteral("erreur: ") + texte);
        bus.send(message.createErrorReply(nom, texte));
        return true;
    };
    const auto repond = [&](const QVariant& valeur, const QString& texte) {
        Note(message, texte);
        bus.send(message.createReply(valeur));
        return true;
    };
    const QVariantList args = message.arguments();
    for (const QVariant& a : args) {
        if (a.typeId() != QMetaType::QString) {
            return refuse(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                          QStringLiteral("arguments texte attendus"));
        }
    }
    const QString methode = message.member();
    const int attendus = methode == u"Init"                                                   ? 3
                         : methode == u"InventaireArticle"                                    ? 3
                         : methode == u"InitInventaire" || methode == u"ValidationInventaire" ? 1
                                                                                              : -1;
    if (attendus < 0) {
        return false;
    }
    if (args.size() != attendus) {
        return refuse(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                      QStringLiteral("%1 attend %2 arguments").arg(methode).arg(attendus));
    }
    Client& c = clients_[message.service()];
    const QString depot = args.front().toString();
    if (methode == u"Init") {
        c = Client{Etape::Initialise, args[0].toString(), QString(), 0};
        return repond(QVariant::fromValue(qint16(0)), QStringLiteral("0"));
    }
    if (methode == u"InitInventaire") {
        if (c.etape == Etape::Aucune) {
            return refuse(kErreurOrdre, QStringLiteral("InitInventaire avant Init"));
        }
        if (c.etape == Etape::Ouvert) {
            return refuse(kErreurOrdre, QStringLiteral("un inventaire est déjà ouvert"));
        }
        if (conduite_.refuseInventaire) {
            return repond(false, QStringLiteral("false"));
        }
        c.etape = Etape::Ouvert;
        c.depot = depot;
        c.lignes = 0;
        return repond(true, QStringLiteral("true"));
    }
    if (c.etape != Etape::Ouvert) {
        return refuse(kErreurOrdre, QStringLiteral("%1 sans inventaire ouvert").arg(methode));
    }
    if (depot != c.depot) {
        return refuse(kErreurOrdre, QStringLiteral("%1 pour le dépôt %2, inventaire ouvert pour %3")
                                        .arg(methode, depot, c.depot));
    }
    if (methode == u"InventaireArticle") {
        ++c.lignes;
        if (c.lignes == conduite_.sortieALaLigne) {
            Note(message, QStringLiteral("sortie"));
            emit SortieDemandee();
            return true;
        }
        if (c.lignes == conduite_.echecALaLigne) {
            return refuse(kErreurArticle,
                          QStringLiteral("article %1 refusé").arg(args[1].toString()));
        }
        if (c.lignes == conduite_.nonNumeriqueALaLigne) {
            return repond(QStringLiteral("abc"), QStringLiteral("abc"));
        }
        return repond(qint32(0), QStringLiteral("0"));
    }
    c.etape = Etape::Valide;
    return repond(QVariant::fromValue(QDBusVariant(qint32(0))), QStringLiteral("0"));
}

int RemplitArticles(const QString& base, const QString& fichier) {
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly)) {
        throw ErreurKovra(f.errorString());
    }
    QString erreur;
    const QString nom = QUuid::createUuid().toString();
    int ajoutes = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(base);
        QSqlQuery q(db);
        if (!db.open() || !db.transaction() ||
            !q.exec(
                QStringLiteral("CREATE TABLE IF NOT EXISTS Article (Code TEXT, CodeBarre TEXT)")) ||
            !q.prepare(QStringLiteral("INSERT INTO Article (Code, CodeBarre) VALUES (?, ?)"))) {
            erreur = db.lastError().text() + q.lastError().text();
            ajoutes = -1;
        } else {
            for (const LigneInventaire& l : LignesInventaire(f.readAll())) {
                const QStringList champs = l.texte.split(u';');
                q.bindValue(0, champs.value(0));
                q.bindValue(1, champs.value(1));
                if (!q.exec()) {
                    erreur = q.lastError().text();
                    ajoutes = -1;
                    break;
                }
                ++ajoutes;
            }
            if (ajoutes < 0 || !db.commit()) {
                db.rollback();
                erreur = erreur.isEmpty() ? db.lastError().text() : erreur;
                ajoutes = -1;
            }
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (ajoutes < 0) {
        throw ErreurKovra(erreur);
    }
    return ajoutes;
}

} // namespace kovra::tallyra
