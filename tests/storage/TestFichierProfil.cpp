#include "storage/FichierProfil.h"
#include "support/DossierTest.h"

#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DossierTest;

namespace {

const QByteArray kExemple = "; réglages\r\n"
                            "[Port_s\xE9rie]\r\n"
                            "Port= 3\r\n"
                            "  Vitesse =  9600  \r\n"
                            "Bit d'arr\xEAt=1\r\n"
                            "Vide=\r\n"
                            "SansEgal\r\n"
                            "Cite=\"  entre guillemets  \"\r\n"
                            "Apos='a'\r\n"
                            "Seul=\"\r\n"
                            "Egal=a=b\r\n"
                            "[ Deux ]\r\n"
                            "Cle=premiere\r\n"
                            "cle=doublon\r\n"
                            "[deux]\r\n"
                            "Autre=seconde section\r\n";

} // namespace

TEST(LireIni, FollowsTheProfileRules) {
    DossierTest d;
    d.Ecrit("a.ini", kExemple);
    const QString f = d.Chemin("a.ini");
    const struct {
        const char* section;
        const char* cle;
        const char* attendu;
    } cas[] = {
        {"Port_série", "Port", "3"},           // blank before a number dropped
        {"PORT_SÉRIE", "port", "3"},           // case does not matter
        {" Port_série ", " Vitesse ", "9600"}, // nor surrounding blanks
        {"Port_série", "Bit d'arrêt", "1"},    // Windows-1252 key
        {"Port_série", "Vide", ""},
        {"Port_série", "SansEgal", ""},
        {"Port_série", "Cite", "  entre guillemets  "}, // one pair of quotes removed
        {"Port_série", "Apos", "a"},
        {"Port_série", "Seul", "\""},
        {"Port_série", "Egal", "a=b"},
        {"Port_série", "Manque", ""},
        {"Deux", "Cle", "premiere"}, // first key of the name wins
        {"Deux", "Autre", ""},       // only the first section so named
        {"Absente", "Cle", ""},
        {"; réglages", "", ""},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(LireIni(f, QString::fromUtf8(c.section), QString::fromUtf8(c.cle)),
                  QString::fromUtf8(c.attendu))
            << c.section << " / " << c.cle;
    }
    EXPECT_EQ(LireIni(d.Chemin("absent.ini"), "Port_série", "Port"), "");
}

TEST(LireIni, AcceptsUtf8Files) {
    DossierTest d;
    d.Ecrit("u.ini", "[Port_s\xC3\xA9rie]\nProtocol=Caf\xC3\xA9\n");
    d.Ecrit("bom.ini", "\xEF\xBB\xBF[S]\nCle=\xC3\xA0 la ligne\n");
    EXPECT_EQ(LireIni(d.Chemin("u.ini"), "Port_série", "Protocol"), "Café");
    EXPECT_EQ(LireIni(d.Chemin("bom.ini"), "S", "Cle"), "à la ligne");
}

TEST(LireIni, CutsLongValues) {
    DossierTest d;
    d.Ecrit("long.ini", "[S]\nCle=" + QByteArray(5000, 'x') + "\n");
    EXPECT_EQ(LireIni(d.Chemin("long.ini"), "S", "Cle"), QString(2054, 'x'));
}

TEST(EcrireIni, ChangesOneLineAndKeepsEveryOtherByte) {
    DossierTest d;
    d.Ecrit("a.ini", kExemple);
    const QString f = d.Chemin("a.ini");
    ASSERT_NE(EcrireIni("port_série", "VITESSE", "19200", f), 0);
    QByteArray attendu = kExemple;
    attendu.replace("  Vitesse =  9600  \r\n", "  Vitesse =19200\r\n");
    EXPECT_EQ(d.Lit("a.ini"), attendu);
    EXPECT_EQ(LireIni(f, "Port_série", "Vitesse"), "19200");
}

TEST(EcrireIni, AddsKeysAtTheEndOfTheirSectionAndNewSectionsAtTheEnd) {
    DossierTest d;
    d.Ecrit("a.ini", "[A]\nx=1\n\n[B]\ny=2\n");
    const QString f = d.Chemin("a.ini");
    EcrireIni("A", "z", "3", f);
    EcrireIni("C", "w", "été", f);
    EXPECT_EQ(d.Lit("a.ini"), "[A]\nx=1\nz=3\n\n[B]\ny=2\n[C]\nw=\xE9t\xE9\n");
}

TEST(EcrireIni, KeepsTheEncodingAFileHas) {
    DossierTest d;
    d.Ecrit("u.ini", "[S]\nNom=Caf\xC3\xA9\n");
    EcrireIni("S", "Autre", "Crème", d.Chemin("u.ini"));
    EXPECT_EQ(d.Lit("u.ini"), "[S]\nNom=Caf\xC3\xA9\nAutre=Cr\xC3\xA8me\n");

    d.Ecrit("w.ini", "[S]\r\nNom=Caf\xE9\r\n");
    EcrireIni("S", "Autre", "Crème", d.Chemin("w.ini"));
    EXPECT_EQ(d.Lit("w.ini"), "[S]\r\nNom=Caf\xE9\r\nAutre=Cr\xE8me\r\n");
}

TEST(EcrireIni, CreatesANewFileInWindows1252WithWindowsLineEnds) {
    DossierTest d;
    const QString f = d.Chemin("neuf.ini");
    ASSERT_NE(EcrireIni("Port_série", "Bit de donnée", " 8", f), 0);
    EXPECT_EQ(d.Lit("neuf.ini"), "[Port_s\xE9rie]\r\nBit de donn\xE9"
                                 "e= 8\r\n");
    EXPECT_EQ(LireIni(f, "Port_série", "Bit de donnée"), "8");
}

TEST(EcrireIni, KeepsAValueOnOneLine) {
    DossierTest d;
    const QString f = d.Chemin("a.ini");
    EcrireIni("S", "Cle", "deux\r\nlignes", f);
    EcrireIni("S", "Apres", "x", f);
    EXPECT_EQ(LireIni(f, "S", "Cle"), "deux  lignes");
    EXPECT_EQ(LireIni(f, "S", "Apres"), "x");
}

TEST(EcrireIni, FailsWithoutHarmWhereTheFileCannotBeWritten) {
    DossierTest d;
    EXPECT_EQ(EcrireIni("S", "Cle", "v", d.Chemin("pas/de/dossier.ini")), 0);
    // A folder where the file should be cannot be read, so it is never written over.
    QDir().mkpath(d.Chemin("dossier.ini"));
    EXPECT_EQ(EcrireIni("S", "Cle", "v", d.Chemin("dossier.ini")), 0);
}

TEST(EffacerValeurIni, KeepsTheKeyWithAnEmptyValue) {
    DossierTest d;
    d.Ecrit("a.ini", "[Type]\r\nType=Fichier\r\n[Ligne]\r\nChamps=a@\r\n");
    const QString f = d.Chemin("a.ini");
    ASSERT_NE(EffacerValeurIni(f, "type", "TYPE"), 0);
    EXPECT_EQ(LireIni(f, "Type", "Type"), "");
    EXPECT_EQ(d.Lit("a.ini"), "[Type]\r\nType=\r\n[Ligne]\r\nChamps=a@\r\n");
}

TEST(DocumentProfil, ReportsCharactersItCouldNotStore) {
    DocumentProfil doc;
    doc.Ecrit("S", "Cle", "sans perte é");
    EXPECT_FALSE(doc.PerteEncodage());
    doc.Ecrit("S", "Cle", "漢字");
    EXPECT_TRUE(doc.PerteEncodage());
    EXPECT_EQ(doc.Lit("S", "Cle"), "??");
}
