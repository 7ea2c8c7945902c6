#pragma once

#include "dialogues/DialoguesScriptes.h"
#include "storage/Environnement.h"
#include "storage/Registre.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Readable texts in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace kovra::test {

// A temporary folder, removed with the object.
class DossierTest {
public:
    DossierTest();
    QString Chemin(const QString& nom = QString()) const;
    void Ecrit(const QString& nom, const QByteArray& octets) const;
    QByteArray Lit(const QString& nom) const;

private:
    QTemporaryDir dir_;
};

// A data folder filled with the installed defaults, a private registry and scripted
// dialogues: everything a piece of Kovra needs, fresh for each test.
struct DonneesTest {
    DonneesTest();

    DossierTest dossier;
    QString donnees;
    Registre registre;
    DialoguesScriptes dialogues;
    Environnement env;

    QString Chemin(const QString& nom) const { return donnees + u'/' + nom; }
    // A scenario in the database with these actions, looping from the first, compiled;
    // returns its number.
    qint16 Scenario(const QString& nom, const QString& type, const QStringList& actions,
                    const QString& chemin = QString());
};

// Runs statements straight on a database file, the way another program (or an older
// version of Kovra) could have left it; fails the test when one does not run.
void ExecuteSql(const QString& cheminBase, const QStringList& instructions);

// Another program holding a database file locked, from "BEGIN IMMEDIATE" (others may read
// but not write) or "BEGIN EXCLUSIVE" (others may do neither) until Libere() or the end of
// the object.
class VerrouBaseTest {
public:
    VerrouBaseTest(const QString& cheminBase, const QString& debut);
    ~VerrouBaseTest();
    VerrouBaseTest(const VerrouBaseTest&) = delete;
    VerrouBaseTest& operator=(const VerrouBaseTest&) = delete;
    void Libere();

private:
    QString connexion_;
    bool tenu_ = false;
};

// Default files installed with the program.
inline QString DossierDefauts() {
    return QStringLiteral(KOVRA_TEST_DEFAUTS);
}

} // namespace kovra::test
