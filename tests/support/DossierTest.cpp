#include "support/DossierTest.h"

#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"

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

qint16 DonneesTest::Scenario(const QString& nom, const QString& type, const QStringList& actions,
                             const QString& chemin) {
    BaseScen base(Chemin(kScenDb));
    const qint16 n = CreeScenario(base, {nom, type, 0, false, chemin});
    for (const QString& a : actions) {
        AjouteAction(base, n, a, 0);
    }
    base.MetAJourBoucle(n, 1);
    ExporteScenario(base, donnees, n);
    return n;
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

VerrouBaseTest::VerrouBaseTest(const QString& cheminBase, const QString& debut)
    : connexion_(QStringLiteral("test-verrou-") + debut) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion_);
    db.setDatabaseName(cheminBase);
    EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    QSqlQuery q(db);
    // A reading lock is taken only once something is read.
    tenu_ = q.exec(debut) && q.exec(QStringLiteral("SELECT count(*) FROM Increment"));
    EXPECT_TRUE(tenu_) << debut.toStdString() << ": " << q.lastError().text().toStdString();
}

VerrouBaseTest::~VerrouBaseTest() {
    Libere();
    QSqlDatabase::database(connexion_, false).close();
    QSqlDatabase::removeDatabase(connexion_);
}

void VerrouBaseTest::Libere() {
    if (tenu_) {
        QSqlQuery(QSqlDatabase::database(connexion_, false)).exec(QStringLiteral("ROLLBACK"));
        tenu_ = false;
    }
}

} // namespace kovra::test
