#include "inventory/BaseArticles.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QUuid>

namespace kovra::tallyra {

BaseArticles::BaseArticles()
    : connexion_(QStringLiteral("tallyra-articles-") +
                 QUuid::createUuid().toString(QUuid::WithoutBraces)) {}

BaseArticles::~BaseArticles() {
    requete_.reset();
    if (QSqlDatabase::contains(connexion_)) {
        QSqlDatabase::database(connexion_, false).close();
        QSqlDatabase::removeDatabase(connexion_);
    }
}

bool BaseArticles::Ouvre(const QString& chemin, QString& erreur) {
    const QString affiche = QDir::toNativeSeparators(chemin);
    // Read-only opening does not create a missing file, but says so less clearly.
    if (!QFileInfo(chemin).isFile()) {
        erreur = QStringLiteral("la base %1 n'existe pas").arg(affiche);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion_);
    db.setDatabaseName(chemin);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open()) {
        erreur = QStringLiteral("la base %1 ne peut pas être ouverte (%2)")
                     .arg(affiche, db.lastError().text());
        return false;
    }
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("SELECT Code FROM Article WHERE CodeBarre = ? COLLATE NOCASE "
                                  "OR Code = ? COLLATE NOCASE"))) {
        erreur = QStringLiteral("la base %1 n'a pas de table Article lisible (%2)")
                     .arg(affiche, q.lastError().text());
        return false;
    }
    requete_ = std::move(q);
    return true;
}

std::optional<QString> BaseArticles::RechercheRef(const QString& code, QString& erreur) {
    if (!requete_) {
        erreur = QStringLiteral("la base n'est pas ouverte");
        return std::nullopt;
    }
    erreur.clear();
    QSqlQuery& q = *requete_;
    q.bindValue(0, code);
    q.bindValue(1, code);
    if (!q.exec()) {
        erreur = q.lastError().text();
        return std::nullopt;
    }
    std::optional<QString> trouve;
    if (q.next()) {
        trouve = q.value(0).toString();
    }
    q.finish();
    return trouve;
}

} // namespace kovra::tallyra
