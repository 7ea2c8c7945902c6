#include "storage/Registre.h"
#include "support/DossierTest.h"

#include <QRect>
#include <QSettings>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

TEST(Registre, StringValuesComeBackAsWritten) {
    DossierTest d;
    Registre r(d.Chemin());
    EXPECT_EQ(r.Lit(kRacScenChx), "");
    for (const QString& texte : {QStringLiteral("Inventaire dépôt"), QStringLiteral("L'entrée"),
                                 QStringLiteral("a;b,c=d"), QStringLiteral("")}) {
        r.Ecrit(kRacScenChx, texte);
        EXPECT_EQ(r.Lit(kRacScenChx), texte);
    }
    // Another object over the same store sees the value: it is kept on disk at once.
    r.Ecrit(kSepDec, ",");
    EXPECT_EQ(Registre(d.Chemin()).LireRegistre(Ruche::HKEY_CURRENT_USER, kCleKovra, kSepDec), ",");
    EXPECT_EQ(r.Emplacement(kCleKovra), d.Chemin("Ruduvo/Vove.conf"));
}

TEST(Registre, ValuesOfAnotherTypeReadEmpty) {
    DossierTest d;
    Registre r(d.Chemin());
    {
        QSettings s(r.Emplacement(kCleKovra), QSettings::IniFormat);
        s.setValue(kRacInvent, QByteArray("\x01\x02"));
        s.setValue(kRacCde, QStringList{"a", "b"});
        s.setValue(kMDPUTL, QRect(1, 2, 3, 4));
        s.setValue(kSepDec, QString("ab") + QChar(0) + "cd");
    }
    EXPECT_EQ(r.Lit(kRacInvent), "");
    EXPECT_EQ(r.Lit(kRacCde), "a,b"); // in a settings file a list is a text with commas
    EXPECT_EQ(r.Lit(kMDPUTL), "");
    // A string holding a NUL reads up to it.
    EXPECT_EQ(r.Lit(kSepDec), "ab");
}

TEST(Registre, ReadsValuesWrittenByHandAndReportsFailedWrites) {
    DossierTest d;
    Registre r(d.Chemin());
    d.Ecrit("Ruduvo/Vove.conf", "[General]\nSepDec=,\nRacCde=Quai 1, quai 2\n");
    EXPECT_EQ(r.Lit(kSepDec), ",");
    EXPECT_EQ(r.Lit(kRacCde), "Quai 1,quai 2");
    d.Ecrit("fichier", "pas un dossier");
    Registre bloque(d.Chemin("fichier"));
    EXPECT_FALSE(bloque.Ecrit(kRacScenChx, "x"));
    EXPECT_TRUE(r.Ecrit(kRacScenChx, "x"));
}

TEST(Registre, MirrorsFollowTheirValues) {
    DossierTest d;
    Registre r(d.Chemin());
    r.Ecrit(kRacInvent, "Inv");
    r.Ecrit(kRacCde, "Cde");
    r.Ecrit(kSepDec, "x");
    const MiroirsRegistre m = MiroirsRegistre::Lit(r);
    EXPECT_EQ(m.ScenInvent, "Inv");
    EXPECT_EQ(m.ScenCde, "Cde");
    EXPECT_EQ(m.SepDecimal, "x");
}
