#include "storage/Registre.h"
#include "support/DossierTest.h"
#include "support/LimiteTailleFichier.h"

#include <QRect>
#include <QSettings>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

// Texts whose every character matters: separators, quotes, blanks, escapes, markers.
const char* const kTextes[] = {
    "Inventaire dépôt",
    "L'entrée",
    "a;b,c=d",
    "",
    "Stock, depot",
    ",",
    "\"cité\"",
    "\"a, b\"",
    " devant",
    "derrière ",
    "   ",
    "C:\\x\\y",
    "\\\\serveur\\p",
    "\\x41",
    "@foo",
    "@@foo",
    "@ByteArray(ab)",
    "漢字 €",
    "#x",
    ";x",
    "x\ty",
    "[General]",
    "a=b=c",
    "'a'",
    "%20",
};

QString U(const char* texte) {
    return QString::fromUtf8(texte);
}

} // namespace

TEST(Registre, ValuesComeBackAsWritten) {
    DossierTest d;
    Registre r(d.Chemin());
    EXPECT_EQ(r.Lit(kRacScenChx), "");
    for (const char* texte : kTextes) {
        ASSERT_TRUE(r.Ecrit(kRacScenChx, U(texte))) << texte;
        ASSERT_TRUE(r.Ecrit(kSepDec, U(texte))) << texte;
        EXPECT_EQ(r.Lit(kRacScenChx), U(texte)) << texte;
        // Another object over the same store sees it: it is kept on disk at once.
        EXPECT_EQ(Registre(d.Chemin()).LireRegistre(Ruche::HKEY_CURRENT_USER, kCleKovra, kSepDec),
                  U(texte))
            << texte;
    }
    EXPECT_EQ(r.Emplacement(kCleKovra), d.Chemin("Ruduvo/Vove.conf"));
}

TEST(Registre, HandWrittenValuesReadExactlyAsWritten) {
    const struct {
        QByteArray fichier;
        const char* nom;
        const char* attendu;
    } cas[] = {
        {"[General]\nRacScenChx=Stock, depot\n", "RacScenChx", "Stock, depot"},
        {"[General]\r\nSepDec=,\r\n", "SepDec", ","},
        {"[General]\nRacCde=Quai 1, quai 2\nRacInvent=\"Stock\"\n", "RacInvent", "\"Stock\""},
        {"[General]\nRacInvent= devant et derrière \n", "RacInvent", " devant et derrière "},
        {"[General]\nMDPUTL=C:\\x\\y\\\n", "MDPUTL", "C:\\x\\y\\"},
        {"[General]\nRacCde=D\xC3\xA9p\xC3\xB4t\n", "RacCde", "Dépôt"},
        {"[General]\nRacCde=D\xE9p\xF4t\n", "RacCde", "Dépôt"}, // saved in Windows-1252
        {"RacCde=hors section\n", "RacCde", "hors section"},
        {"[General]\n  racscenchx  =x\n", "RacScenChx", "x"}, // names as the registry has them
        {"[Autre]\nRacCde=x\n", "RacCde", ""},
        {"[General]\n;RacCde=x\n", "RacCde", ""},
        {"[General]\nRacCde\n", "RacCde", ""},
    };
    for (const auto& c : cas) {
        DossierTest d;
        d.Ecrit("Ruduvo/Vove.conf", c.fichier);
        EXPECT_EQ(Registre(d.Chemin()).Lit(U(c.nom)), U(c.attendu)) << c.fichier.toStdString();
    }
}

TEST(Registre, ReadsWhatEarlierVersionsStored) {
    // Earlier versions kept the values through QSettings, which quotes and escapes them.
    const char* valeurs[] = {"Stock, depot", ",", ";", " devant", "a=b", "@foo", "Dépôt", "x"};
    DossierTest d;
    {
        QSettings s(d.Chemin("Ruduvo/Vove.conf"), QSettings::IniFormat);
        for (int i = 0; i < static_cast<int>(std::size(valeurs)); ++i) {
            s.setValue(QString("V%1").arg(i), U(valeurs[i]));
        }
        s.setValue(kRacInvent, QByteArray("\x01\x02"));
        s.setValue(kMDPUTL, QRect(1, 2, 3, 4));
    }
    Registre r(d.Chemin());
    const auto verifie = [&](const char* quand) {
        for (int i = 0; i < static_cast<int>(std::size(valeurs)); ++i) {
            EXPECT_EQ(r.Lit(QString("V%1").arg(i)), U(valeurs[i])) << quand << valeurs[i];
        }
        // Values of another kind read as empty.
        EXPECT_EQ(r.Lit(kRacInvent), "") << quand;
        EXPECT_EQ(r.Lit(kMDPUTL), "") << quand;
    };
    verifie("before a write: ");
    ASSERT_TRUE(r.Ecrit(kRacScenChx, "\"Stock, depot\""));
    verifie("after a write: ");
    EXPECT_EQ(r.Lit(kRacScenChx), "\"Stock, depot\"");
}

TEST(Registre, ATextReadsUpToItsFirstNul) {
    DossierTest d;
    Registre r(d.Chemin());
    ASSERT_TRUE(r.Ecrit(kSepDec, QString("ab") + QChar(0) + "cd"));
    EXPECT_EQ(r.Lit(kSepDec), "ab");
}

TEST(Registre, ReportsFailedWritesAndChangesNothing) {
    DossierTest d;
    d.Ecrit("fichier", "pas un dossier");
    Registre bloque(d.Chemin("fichier"));
    EXPECT_FALSE(bloque.Ecrit(kRacScenChx, "x"));

    Registre r(d.Chemin());
    ASSERT_TRUE(r.Ecrit(kRacScenChx, "x"));
    const QByteArray avant = d.Lit("Ruduvo/Vove.conf");
    // A line break would end the value; names that a reading could not find again.
    EXPECT_FALSE(r.Ecrit(kRacScenChx, "deux\nlignes"));
    EXPECT_FALSE(r.Ecrit(kRacScenChx, "deux\rlignes"));
    for (const char* nom : {"", "a=b", "[General]", ";x", " x", "a\nb"}) {
        EXPECT_FALSE(r.Ecrit(U(nom), "v")) << nom;
    }
    EXPECT_EQ(d.Lit("Ruduvo/Vove.conf"), avant);
    EXPECT_EQ(r.Lit(kRacScenChx), "x");
    {
        // A full disk: the file keeps every value it had.
        kovra::test::LimiteTailleFichier plein(0);
        EXPECT_FALSE(r.Ecrit(kSepDec, ","));
    }
    EXPECT_EQ(d.Lit("Ruduvo/Vove.conf"), avant);
}

TEST(Registre, AWriteChangesOneValueAndKeepsTheRest) {
    DossierTest d;
    d.Ecrit("Ruduvo/Vove.conf", "[General]\r\n; notes\r\nSepDec=,\r\nRacCde=Quai 1, quai 2\r\n"
                                "[Autre]\r\nRacCde=ailleurs\r\n");
    Registre r(d.Chemin());
    ASSERT_TRUE(r.Ecrit(kSepDec, "."));
    ASSERT_TRUE(r.Ecrit(kRacInvent, "Inv"));
    const QString texte = QString::fromUtf8(d.Lit("Ruduvo/Vove.conf"));
    EXPECT_TRUE(texte.contains("; notes\r\nSepDec=.\r\nRacCde=Quai 1, quai 2\r\nRacInvent=Inv\r\n"
                               "[Autre]\r\nRacCde=ailleurs\r\n"))
        << texte.toStdString();
    EXPECT_EQ(r.Lit(kRacCde), "Quai 1, quai 2");
    EXPECT_EQ(r.Lit(kSepDec), ".");
}

TEST(Registre, ThePauseBetweenKeysReadsAsAWholeNumberWithinBounds) {
    const struct {
        const char* texte;
        int lu;
        bool valide; // may be stored as it is
    } cas[] = {
        {"", 0, true},          {"0", 0, true},
        {"25", 25, true},       {"1000", 1000, true},
        {"0040", 40, true},     {"1001", 1000, false},
        {"99999", 1000, false}, {"-5", 0, false},
        {" 25 ", 25, false},    {"+5", 5, false},
        {"12.5", 0, false},     {"abc", 0, false},
        {"1e3", 0, false},      {"99999999999", 0, false},
    };
    DossierTest d;
    Registre r(d.Chemin());
    for (const auto& c : cas) {
        EXPECT_EQ(DelaiTouchesLu(c.texte), c.lu) << c.texte;
        EXPECT_EQ(DelaiTouchesValide(c.texte), c.valide) << c.texte;
        ASSERT_TRUE(r.Ecrit(kDelaiTouches, c.texte));
        EXPECT_EQ(MiroirsRegistre::Lit(r).DelaiTouches, c.lu) << c.texte;
    }
    EXPECT_TRUE(EstValeurKovra(kDelaiTouches));
    EXPECT_EQ(MiroirsRegistre::Lit(Registre(d.Chemin("vide"))).DelaiTouches, 0);
}
