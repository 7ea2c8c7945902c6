// The promises of the platform layer, checked on the system's version and again on the stub
// that builds anywhere (the same tests, compiled twice).
#include "platform/Comptes.h"
#include "platform/Fichiers.h"
#include "platform/LigneSerie.h"
#include "platform/Processus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kovra;
using namespace kovra::plateforme;

namespace {

QByteArray Lit(const QString& chemin) {
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void Ecrit(const QString& chemin, const QByteArray& octets) {
    QFile f(chemin);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(octets);
}

} // namespace

TEST(Plateforme, AFreeNameIsTakenAndNothingThereIsWrittenOver) {
    const struct {
        const char* nom;
        QStringList deja; // names something already has
        QString attendu;  // the name taken; empty: none
    } cas[] = {
        {"first name free", {}, "F.txt"},
        {"files have the first two", {"F.txt", "F1.txt"}, "F2.txt"},
        {"a folder has the first", {"F.txt/"}, "F1.txt"},
        {"every name taken", {"F.txt", "F1.txt", "F2.txt"}, ""},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        QTemporaryDir d;
        const QString dossier = d.path() + u'/';
        for (const QString& n : c.deja) {
            if (n.endsWith(u'/')) {
                ASSERT_TRUE(QDir(dossier).mkdir(n.chopped(1)));
            } else {
                Ecrit(dossier + n, "ancien");
            }
        }
        QStringList essayes;
        const QString pris = EcritSousNomLibre(
            dossier, "neuf",
            [](qint64 n) {
                return n == 0 ? QStringLiteral("F.txt") : QStringLiteral("F%1.txt").arg(n);
            },
            3, [&](const QString& chemin) { essayes << chemin.mid(dossier.size()); });
        EXPECT_EQ(pris, c.attendu.isEmpty() ? QString() : dossier + c.attendu);
        if (!c.attendu.isEmpty()) {
            EXPECT_EQ(Lit(pris), "neuf");
        }
        for (const QString& n : c.deja) {
            if (!n.endsWith(u'/')) {
                EXPECT_EQ(Lit(dossier + n), "ancien") << n.toStdString();
            }
        }
        EXPECT_EQ(QDir(dossier).entryList(QDir::Files | QDir::Hidden).size(),
                  c.deja.filter(QStringLiteral(".txt")).size() + (c.attendu.isEmpty() ? 0 : 1) -
                      (c.deja.contains(QStringLiteral("F.txt/")) ? 1 : 0))
            << "no file of its own is left behind";
        EXPECT_FALSE(essayes.isEmpty());
    }
}

TEST(Plateforme, AReplacedFileHoldsTheNewBytesWhole) {
    QTemporaryDir d;
    const QString chemin = d.path() + QStringLiteral("/S.txt");
    ASSERT_TRUE(EcritRemplace(chemin, "un"));
    EXPECT_EQ(Lit(chemin), "un");
    ASSERT_TRUE(EcritRemplace(chemin, "deux, plus long"));
    EXPECT_EQ(Lit(chemin), "deux, plus long");
    EXPECT_FALSE(EcritRemplace(d.path(), "x")) << "a folder is not written";
    EXPECT_FALSE(EcritRemplace(d.path() + QStringLiteral("/absent/S.txt"), "x"));
}

TEST(Plateforme, TheFileSystemSaysWhatThisUserMayDo) {
    QTemporaryDir d;
    const QString fichier = d.path() + QStringLiteral("/f");
    Ecrit(fichier, "x");
    EXPECT_TRUE(AccesPermis(d.path(), kLecture | kEcriture));
    EXPECT_TRUE(AccesPermis(fichier, kLecture | kEcriture));
    EXPECT_FALSE(AccesPermis(d.path() + QStringLiteral("/absent"), kLecture));
    EXPECT_EQ(RaisonDossierNonInscriptible(d.path()), QString());
    EXPECT_NE(RaisonDossierNonInscriptible(d.path() + QStringLiteral("/absent")), QString());
    EXPECT_EQ(QDir(d.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f"})
        << "the trial file is removed";
    QFile f(fichier);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("y");
    EXPECT_TRUE(SynchroniseFichier(f));
    SynchroniseDossier(d.path());
    EXPECT_EQ(Lit(fichier), "xy");
}

TEST(Plateforme, ProcessesFilesAndLinesAreLookedAt) {
    EXPECT_TRUE(ProcessusExiste(QCoreApplication::applicationPid()));
    EXPECT_FALSE(ProcessusExiste(0));
    EXPECT_FALSE(IdentiteCourante().nom.isEmpty());
    QTemporaryDir d;
    EXPECT_FALSE(Propriete(d.path() + QStringLiteral("/absent")));
    EXPECT_TRUE(Propriete(d.path()));
    const EssaiLigne absente = EssaieLigneSerie(d.path() + QStringLiteral("/absent"));
    EXPECT_EQ(absente.issue, EssaiLigne::Issue::Echec);
    EXPECT_FALSE(absente.raison.isEmpty());
}
