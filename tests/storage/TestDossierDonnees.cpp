#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/DossierTest.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierDefauts;
using kovra::test::DossierTest;

TEST(DossierDonnees, AFreshFolderIsFilledWithTheDefaults) {
    DossierTest d;
    const QString dossier = d.Chemin("nouveau/kovra");
    const QStringList ajoutes = PrepareDossierDonnees(dossier, DossierDefauts());
    EXPECT_EQ(QSet<QString>(ajoutes.begin(), ajoutes.end()),
              (QSet<QString>{"PortSerie.ini", "Touche.ini", "Corres.ini", "TouFic.ini", "Scenarios",
                             "Scen.db"}));
    EXPECT_TRUE(QDir(dossier + "/Scenarios").exists());
    BaseScen base(dossier + "/Scen.db");
    EXPECT_TRUE(base.ListeNoms().isEmpty());
    EXPECT_EQ(base.LitCompteur(), qint16(1));
    // A second run finds nothing to add.
    EXPECT_TRUE(PrepareDossierDonnees(dossier, DossierDefauts()).isEmpty());
}

TEST(DossierDonnees, FilesAlreadyThereAreKept) {
    DossierTest d;
    d.Ecrit("k/Touche.ini", "[Particuliere]\r\n0=mien@ 0\r\n");
    d.Ecrit("k/Scen.db", "");
    const QStringList ajoutes = PrepareDossierDonnees(d.Chemin("k"), DossierDefauts());
    EXPECT_FALSE(ajoutes.contains("Touche.ini"));
    EXPECT_FALSE(ajoutes.contains("Scen.db"));
    EXPECT_TRUE(ajoutes.contains("Corres.ini"));
    EXPECT_EQ(d.Lit("k/Touche.ini"), "[Particuliere]\r\n0=mien@ 0\r\n");
}

TEST(DossierDonnees, ADatabaseMadeAgainInAFolderInUseIsSaid) {
    DossierTest d;
    // A new folder: nothing to say.
    EXPECT_TRUE(
        AvisBaseRecreee(d.Chemin("k"), PrepareDossierDonnees(d.Chemin("k"), DossierDefauts()))
            .isEmpty());
    // Its database gone: the new, empty one is named, with what it means.
    QFile::remove(d.Chemin("k/Scen.db"));
    const QString avis =
        AvisBaseRecreee(d.Chemin("k"), PrepareDossierDonnees(d.Chemin("k"), DossierDefauts()));
    EXPECT_TRUE(avis.startsWith("La base des scénarios " + d.Chemin("k/Scen.db") +
                                " était absente : une base vide vient d'être créée."))
        << avis.toStdString();
    EXPECT_TRUE(avis.contains("le compteur repart"));
    // Nothing made: nothing to say.
    EXPECT_TRUE(
        AvisBaseRecreee(d.Chemin("k"), PrepareDossierDonnees(d.Chemin("k"), DossierDefauts()))
            .isEmpty());
}

TEST(DossierDonnees, MissingDefaultsAreReported) {
    DossierTest d;
    EXPECT_ANY_THROW(PrepareDossierDonnees(d.Chemin("k"), d.Chemin("nulle-part")));
}

TEST(DossierDonnees, IsChosenByOptionThenEnvironmentThenUserDataFolder) {
    const QByteArray avant = qgetenv("KOVRA_DIR");
    qputenv("KOVRA_DIR", "/srv/kovra-env");
    EXPECT_EQ(ResoutDossierDonnees("/opt/donnees"), "/opt/donnees");
    EXPECT_EQ(ResoutDossierDonnees("relatif"), QDir::current().absoluteFilePath("relatif"));
    EXPECT_EQ(ResoutDossierDonnees(""), "/srv/kovra-env");
    qunsetenv("KOVRA_DIR");
    EXPECT_TRUE(ResoutDossierDonnees("").endsWith("/kovra"));
    if (!avant.isEmpty()) {
        qputenv("KOVRA_DIR", avant);
    }
}

// The shipped files are real data: every special and system key has a name in braces
// whose slot points at a key string, the speed list is complete, the file picker has its
// 33 items, and a first start asks for the port.
TEST(DossierDonnees, DefaultFilesAreComplete) {
    const QString touche = DossierDefauts() + "/Touche.ini";
    const QString corres = DossierDefauts() + "/Corres.ini";
    QSet<int> numeros;
    const struct {
        const char* section;
        int nombre;
        int premierSlot;
    } sections[] = {{"Particuliere", 15, 0}, {"systeme", 23, 15}};
    for (const auto& s : sections) {
        for (int i = 0; i < s.nombre; ++i) {
            const QString ligne = LireIni(touche, s.section, QString::number(i));
            const qsizetype at = ligne.indexOf('@');
            ASSERT_GT(at, 0) << s.section << i;
            const QString nom = ligne.left(at);
            EXPECT_TRUE(nom.startsWith('{') && nom.endsWith('}')) << nom.toStdString();
            const int slot = ligne.mid(at + 1).trimmed().toInt();
            EXPECT_EQ(slot, s.premierSlot + i);
            numeros.insert(slot);
            EXPECT_FALSE(LireIni(corres, "Correspondance", QString::number(slot)).isEmpty())
                << slot;
        }
    }
    EXPECT_EQ(numeros.size(), 38);
    for (int i = 1; i <= 16; ++i) {
        EXPECT_GT(LireIni(touche, "Vitesses", QString::number(i)).toInt(), 0) << i;
    }
    for (int i = 0; i <= 32; ++i) {
        EXPECT_FALSE(
            LireIni(DossierDefauts() + "/TouFic.ini", "Touches", QString::number(i)).isEmpty())
            << i;
    }
    const QString port = DossierDefauts() + "/PortSerie.ini";
    EXPECT_EQ(LireIni(port, "Port_série", "PortActif"), "1");
    EXPECT_EQ(LireIni(port, "Port_série", "Port"), "");
    EXPECT_EQ(LireIni(port, "Port_série", "Bit de donnée"), "8");
}
