#include "OutilsTallyra.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>

namespace kovra::tallyra::test {

void TourneBoucle(int tours) {
    QEventLoop boucle;
    int restants = tours;
    std::function<void()> tour = [&] {
        if (--restants <= 0) {
            boucle.quit();
            return;
        }
        QTimer::singleShot(0, &boucle, tour);
    };
    QTimer::singleShot(0, &boucle, tour);
    boucle.exec();
}

bool TourneJusqua(const std::function<bool()>& condition, int toursMax) {
    for (int i = 0; i < toursMax && !condition(); ++i) {
        TourneBoucle(1);
    }
    return condition();
}

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
