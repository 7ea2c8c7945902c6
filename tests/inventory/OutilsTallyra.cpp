#include "OutilsTallyra.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <gtest/gtest.h>

namespace kovra::tallyra::test {

void CreeBaseArticles(const QString& chemin,
                      const std::vector<std::pair<QString, QString>>& articles) {
    const QString nom = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setDatabaseName(chemin);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Article (Code TEXT, CodeBarre TEXT, "
                                          "Designation TEXT)")));
        ASSERT_TRUE(
            q.prepare(QStringLiteral("INSERT INTO Article (Code, CodeBarre) VALUES (?, ?)")));
        for (const auto& [code, barre] : articles) {
            q.bindValue(0, code);
            q.bindValue(1, barre);
            ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
        }
    }
    QSqlDatabase::removeDatabase(nom);
}

void DossierTallyraTest::Ecrit(const QString& nom, const QByteArray& octets) const {
    QFile f(Chemin(nom));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(octets);
}

QByteArray DossierTallyraTest::Lit(const QString& nom) const {
    QFile f(Chemin(nom));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace kovra::tallyra::test
