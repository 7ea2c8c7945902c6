#include "support/DossierTest.h"

#include "storage/DossierDonnees.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

namespace kovra::test {

DossierTest::DossierTest() {
    EXPECT_TRUE(dir_.isValid());
}

QString DossierTest::Chemin(const QString& nom) const {
    return nom.isEmpty() ? dir_.path() : dir_.filePath(nom);
}

void DossierTest::Ecrit(const QString& nom, const QByteArray& octets) const {
    const QString chemin = Chemin(nom);
    QDir().mkpath(QFileInfo(chemin).path());
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << chemin.toStdString();
    f.write(octets);
}

QByteArray DossierTest::Lit(const QString& nom) const {
    QFile f(Chemin(nom));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

DonneesTest::DonneesTest()
    : donnees(dossier.Chemin(QStringLiteral("donnees"))),
      registre(dossier.Chemin(QStringLiteral("registre"))), env{donnees, registre, dialogues} {
    PrepareDossierDonnees(donnees, DossierDefauts());
}

void ExecuteSql(const QString& cheminBase, const QStringList& instructions) {
    const QString connexion = QStringLiteral("test-brut");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion);
        db.setDatabaseName(cheminBase);
        ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
        QSqlQuery q(db);
        for (const QString& instruction : instructions) {
            EXPECT_TRUE(q.exec(instruction))
                << instruction.toStdString() << ": " << q.lastError().text().toStdString();
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(connexion);
}

} // namespace kovra::test
