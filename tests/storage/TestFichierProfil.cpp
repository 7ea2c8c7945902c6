#include "storage/FichierProfil.h"
#include "support/DossierTest.h"
#include "support/LimiteTailleFichier.h"

#include <QDir>
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

// Lines a person may type by hand, read the way Windows reads them.
const QByteArray kAMain = "Avant=hors section\r\n"
                          "[Blancs]\r\n"
                          "Tab=\tx\t\r\n"
                          "Vt=\x0By\x0B\r\n"
                          "Insecable=\xA0z\xA0\r\n"
                          "\t Indent\xE9"
                          "e \t= v\r\n"
                          "\xA0"
                          "Cle=nbsp\r\n"
                          "=sans nom\r\n"
                          ";Note=commentaire\r\n"
                          "  ; Note2=commentaire\r\n"
                          "Point;virgule=dans le nom\r\n"
                          "Valeur=;pas un commentaire\r\n"
                          "[\t Crochets \x0B]\r\n"
                          "Cle=trouvee\r\n"
                          "[Fin]reste=ignore\r\n"
                          "Cle=apres crochet\r\n"
                          "[Double]]\r\n"
                          "Cle=premier crochet\r\n"
                          "[Sans fin  \r\n"
                          "Cle=section ouverte\r\n";

QString U(const char* texte) {
    return QString::fromUtf8(texte);
}

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
        EXPECT_EQ(LireIni(f, U(c.section), U(c.cle)), U(c.attendu)) << c.section << " / " << c.cle;
    }
    EXPECT_EQ(LireIni(d.Chemin("absent.ini"), "Port_série", "Port"), "");
}

TEST(LireIni, ReadsHandWrittenLinesAsWindowsDoes) {
    DossierTest d;
    d.Ecrit("a.ini", kAMain);
    const QString f = d.Chemin("a.ini");
    const struct {
        const char* section;
        const char* cle;
        const char16_t* attendu;
    } cas[] = {
        {"", "Avant", u""},                          // nothing before the first section
        {"Blancs", "Tab", u"x"},                     // tabs are blanks
        {"Blancs", "Vt", u"y"},                      // vertical tabs too
        {"Blancs", "Insecable", u"\u00A0z\u00A0"},   // a no-break space is a character
        {"Blancs", "Indentée", u"v"},                // blanks and tabs around a name
        {"Blancs", "Cle", u""},                      // "\xA0Cle" is another name
        {"Blancs", "\u00A0Cle", u"nbsp"},            //
        {"Blancs", "", u""},                         // no empty name
        {"Blancs", ";Note", u""},                    // a line starting with ";" is a comment
        {"Blancs", "; Note2", u""},                  //
        {"Blancs", "Point;virgule", u"dans le nom"}, // but not a ";" further on
        {"Blancs", "Valeur", u";pas un commentaire"},
        {"\tBlancs", "Tab", u""}, // a name asked for loses only its spaces
        {"Blancs", "\tTab", u""}, //
        {"Crochets", "Cle", u"trouvee"},
        {"Fin", "reste", u""}, // what follows "]" is not read
        {"Fin", "Cle", u"apres crochet"},
        {"Double", "Cle", u"premier crochet"}, // the name ends at the first "]"
        {"Double]", "Cle", u""},
        {"Sans fin", "Cle", u"section ouverte"}, // a line end closes the name
    };
    for (const auto& c : cas) {
        EXPECT_EQ(LireIni(f, U(c.section), U(c.cle)), QString::fromUtf16(c.attendu))
            << c.section << " / " << c.cle;
    }
}

TEST(LireIni, EveryLineEndEndsALine) {
    const char* fichiers[] = {
        "[S]\r\nA=1\r\nB= 2 \r\n[T]\r\nA=3\r\n",
        "[S]\nA=1\nB= 2 \n[T]\nA=3",
        "[S]\rA=1\rB= 2 \r[T]\rA=3\r",
        "[S]\rA=1\nB= 2 \r\n[T]\n\r\rA=3",
    };
    for (const char* octets : fichiers) {
        DossierTest d;
        d.Ecrit("a.ini", octets);
        const QString f = d.Chemin("a.ini");
        EXPECT_EQ(LireIni(f, "S", "A"), "1") << octets;
        EXPECT_EQ(LireIni(f, "S", "B"), "2") << octets;
        EXPECT_EQ(LireIni(f, "T", "A"), "3") << octets;
        EXPECT_EQ(LireIni(f, "S", "T"), "") << octets;
    }
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

TEST(EcrireIni, WritesWhereWindowsReadsAndKeepsTheLineEnds) {
    const struct {
        QByteArray avant;
        const char* section;
        const char* cle;
        const char* valeur;
        QByteArray apres;
    } cas[] = {
        // Mixed line ends and a last line without one stay as they are.
        {"[S]\nA=1\r\nB=2\rC=3", "S", "B", "9", "[S]\nA=1\r\nB=9\rC=3"},
        {"[S]\r\nA=1", "S", "A", "2", "[S]\r\nA=2"},
        {"[S]\r\nA=1", "S", "B", "2", "[S]\r\nA=1\r\nB=2"},
        {"[S]\nA=1", "T", "x", "1", "[S]\nA=1\n[T]\nx=1"},
        {"[S]\rA=1\r", "S", "B", "2", "[S]\rA=1\rB=2\r"},
        {"[S]\rA=1\r[T]\rx=0\r", "S", "B", "2", "[S]\rA=1\rB=2\r[T]\rx=0\r"},
        // New keys go after the last line of their section, new sections at the end.
        {"[A]\nx=1\n\n[B]\ny=2\n", "A", "z", "3", "[A]\nx=1\nz=3\n\n[B]\ny=2\n"},
        {"[A]\nx=1\n\n[B]\ny=2\n", "C", "w", "été", "[A]\nx=1\n\n[B]\ny=2\n[C]\nw=\xE9t\xE9\n"},
        // Names given with spaces are written without them; a value as it is given.
        {"", "  Sec  ", "  Cle ", " v ", "[Sec]\r\nCle= v \r\n"},
        {"[ Sec ]\r\n Cle = 1\r\n", "Sec", "cle", "2", "[ Sec ]\r\n Cle =2\r\n"},
        // The first of two sections so named, as reading does.
        {"[A]\r\nx=1\r\n[B]\r\n[a]\r\ny=2\r\n", "A", "y", "3",
         "[A]\r\nx=1\r\ny=3\r\n[B]\r\n[a]\r\ny=2\r\n"},
        // A section line without its "]" is a section, for reading and for writing.
        {"[A]\r\nx=1\r\n[B\r\ny=2\r\n", "B", "y", "5", "[A]\r\nx=1\r\n[B\r\ny=5\r\n"},
        // A comment with the key's name is not the key.
        {"[S]\r\n;A=1\r\n", "S", "A", "2", "[S]\r\n;A=1\r\nA=2\r\n"},
        {"\xEF\xBB\xBF[S]\nA=\xC3\xA9\n", "S", "A", "è", "\xEF\xBB\xBF[S]\nA=\xC3\xA8\n"},
    };
    for (const auto& c : cas) {
        DossierTest d;
        const QString f = d.Chemin("a.ini");
        if (!c.avant.isEmpty()) {
            d.Ecrit("a.ini", c.avant);
        }
        ASSERT_NE(EcrireIni(U(c.section), U(c.cle), U(c.valeur), f), 0) << c.avant.toStdString();
        EXPECT_EQ(d.Lit("a.ini"), c.apres) << c.avant.toStdString();
        EXPECT_EQ(LireIni(f, U(c.section), U(c.cle)), U(c.valeur).trimmed())
            << c.avant.toStdString();
    }
}

TEST(EcrireIni, RefusesNamesThatCouldNotBeReadBack) {
    const struct {
        const char* section;
        const char* cle;
    } cas[] = {
        {"S", ";Cle"}, // a comment
        {"S", ""},     {"S", "   "}, {"S", "a=b"},  {"S", "[x"},  {"S", "\tCle"}, {"S", "Cle\t"},
        {"a]b", "k"},  {"\tS", "k"}, {"S", "a\nb"}, {"S\r", "k"}, {"S", "\x0B"},
    };
    for (const auto& c : cas) {
        DossierTest d;
        d.Ecrit("a.ini", "[S]\r\nA=1\r\n");
        EXPECT_EQ(EcrireIni(U(c.section), U(c.cle), "v", d.Chemin("a.ini")), 0)
            << c.section << " / " << c.cle;
        EXPECT_EQ(d.Lit("a.ini"), "[S]\r\nA=1\r\n") << c.section << " / " << c.cle;
        EXPECT_EQ(EcrireIni(U(c.section), U(c.cle), "v", d.Chemin("neuf.ini")), 0);
        EXPECT_FALSE(QFile::exists(d.Chemin("neuf.ini")));
    }
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

TEST(EcrireIni, AFullDiskLeavesTheFileAsItWas) {
    DossierTest d;
    d.Ecrit("PortSerie.ini", kExemple);
    {
        kovra::test::LimiteTailleFichier plein(0);
        EXPECT_EQ(EcrireIni("Port_s\u00e9rie", "Port", "4", d.Chemin("PortSerie.ini")), 0);
        EXPECT_EQ(EcrireIni("S", "Cle", "v", d.Chemin("Nouveau.ini")), 0);
    }
    EXPECT_EQ(d.Lit("PortSerie.ini"), kExemple);
    EXPECT_EQ(QDir(d.Chemin()).entryList(QDir::Files), QStringList{"PortSerie.ini"});
}

TEST(EffacerValeurIni, KeepsTheKeyWithAnEmptyValue) {
    DossierTest d;
    d.Ecrit("a.ini", "[Type]\r\nType=Fichier\r\n[Ligne]\r\nChamps=a@\r\n");
    const QString f = d.Chemin("a.ini");
    ASSERT_NE(EffacerValeurIni(f, "type", "TYPE"), 0);
    EXPECT_EQ(LireIni(f, "Type", "Type"), "");
    EXPECT_EQ(d.Lit("a.ini"), "[Type]\r\nType=\r\n[Ligne]\r\nChamps=a@\r\n");
}

TEST(FichierCompile, ComesBackAsKovraWroteIt) {
    // Bytes C9 80 are "É€" in Windows-1252 and happen to be valid UTF-8 too.
    DossierTest d;
    d.Ecrit("Scenarios/S.ini", "[Ligne]\r\nChamps=\xC9\x80@\r\n");
    d.Ecrit("PortSerie.ini", "[Ligne]\r\nChamps=\xC9\x80@\r\n");
    EXPECT_EQ(LireIni(d.Chemin("Scenarios/S.ini"), "Ligne", "Champs"), "É€@");
    // A settings file may have been saved by hand in UTF-8, but these bytes read as UTF-8
    // give "\u0240", which Windows-1252 lacks: they are Windows-1252 there too.
    EXPECT_EQ(LireIni(d.Chemin("PortSerie.ini"), "Ligne", "Champs"), "É€@");
    // Writing keeps each as it is read.
    ASSERT_NE(EcrireIni("Ligne", "Autre", "é", d.Chemin("Scenarios/S.ini")), 0);
    EXPECT_EQ(d.Lit("Scenarios/S.ini"), "[Ligne]\r\nChamps=\xC9\x80@\r\nAutre=\xE9\r\n");
    // A compiled file saved by hand with a UTF-8 signature is read as UTF-8.
    d.Ecrit("Scenarios/B.ini", "\xEF\xBB\xBF[Ligne]\r\nChamps=\xC3\xA9@\r\n");
    EXPECT_EQ(LireIni(d.Chemin("Scenarios/B.ini"), "Ligne", "Champs"), "é@");
}

TEST(DocumentProfil, KeepsTheBytesOfAFileItDoesNotChange) {
    const QByteArray fichiers[] = {
        "",
        "\r\n\n\r",
        "[S]\rA=1\nB=2\r\nC",
        "\xEF\xBB\xBF[S]\nA=\xC3\xA9",
        "\xEF\xBB\xBF[S]\nA=\xE9\xFF",                // a signature and bytes that are no UTF-8
        QByteArray("[S]\r\nA=\0x\r\n\x81\x8D\r", 15), // NUL and bytes Windows-1252 leaves out
    };
    for (const QByteArray& octets : fichiers) {
        EXPECT_EQ(DocumentProfil::DepuisOctets(octets).EnOctets(), octets);
        EXPECT_EQ(DocumentProfil::DepuisOctets(octets, EncodageFichier::Windows1252).EnOctets(),
                  octets);
    }
}

TEST(DocumentProfil, ReportsCharactersItCouldNotStore) {
    DocumentProfil doc;
    ASSERT_TRUE(doc.Ecrit("S", "Cle", "sans perte é"));
    EXPECT_FALSE(doc.PerteEncodage());
    ASSERT_TRUE(doc.Ecrit("S", "Cle", "漢字"));
    EXPECT_TRUE(doc.PerteEncodage());
    EXPECT_EQ(doc.Lit("S", "Cle"), "??");
    // A name it could not store could not be found again: it is refused.
    EXPECT_FALSE(doc.Ecrit("漢", "Cle", "x"));
    EXPECT_FALSE(doc.Ecrit("S", "字", "x"));
    // A UTF-8 file holds them only with a signature: without one, the file would then read
    // as Windows-1252.
    DocumentProfil utf8 = DocumentProfil::DepuisOctets("[S]\nA=\xC3\xA9\n");
    EXPECT_FALSE(utf8.Ecrit("漢", "字", "x"));
    EXPECT_EQ(utf8.EnOctets(), "[S]\nA=\xC3\xA9\n");
    DocumentProfil signe = DocumentProfil::DepuisOctets("\xEF\xBB\xBF[S]\nA=\xC3\xA9\n");
    EXPECT_TRUE(signe.Ecrit("漢", "字", "x"));
    EXPECT_EQ(signe.Lit("漢", "字"), "x");
}

TEST(ValeurRelueTelle, GivesBackEveryValueUnchanged) {
    const char* valeurs[] = {"",    "simple", " devant", "derrière ", "\tx\x0B", "   ", "\"cité\"",
                             "'a'", "\"",     "\"a",     "a\"",       "\"a'",    "«x»"};
    for (const char* v : valeurs) {
        DocumentProfil doc;
        ASSERT_TRUE(doc.Ecrit("S", "Cle", ValeurRelueTelle(U(v))));
        EXPECT_EQ(DocumentProfil::DepuisOctets(doc.EnOctets()).Lit("S", "Cle"), U(v)) << v;
    }
    EXPECT_EQ(ValeurRelueTelle("simple"), "simple"); // nothing added when nothing is needed
}

TEST(EcrireIni, NeverTurnsAWindows1252FileIntoOneThatReadsAsUtf8) {
    DossierTest d;
    d.Ecrit("Corres.ini", "[Correspondance]\r\n1={F1}\r\n");
    const QString f = d.Chemin("Corres.ini");
    // "Ã©" is C3 A9 in Windows-1252: the whole file would then read as UTF-8, "é".
    EXPECT_EQ(EcrireIni("Correspondance", "2", "Ã©", f), 0);
    EXPECT_EQ(d.Lit("Corres.ini"), "[Correspondance]\r\n1={F1}\r\n");
    ASSERT_NE(EcrireIni("Correspondance", "2", "é", f), 0);
    ASSERT_NE(EcrireIni("Correspondance", "3", "Ã©", f), 0); // E9 already rules UTF-8 out
    EXPECT_EQ(LireIni(f, "Correspondance", "2"), "é");
    EXPECT_EQ(LireIni(f, "Correspondance", "3"), "Ã©");
    // A compiled scenario is Windows-1252 whatever its bytes.
    d.Ecrit("Scenarios/S.ini", "");
    ASSERT_NE(EcrireIni("Ligne", "Champs", "Ã©@", d.Chemin("Scenarios/S.ini")), 0);
    EXPECT_EQ(LireIni(d.Chemin("Scenarios/S.ini"), "Ligne", "Champs"), "Ã©@");
}

TEST(LireIni, ReadsAsWindows1252AFileWhoseUtf8WouldHoldOtherCharacters) {
    DossierTest d;
    const struct {
        const char* nom;
        QByteArray octets;
        const char16_t* valeur;
    } cas[] = {
        // CAFÉ… in Windows-1252: valid UTF-8 for CAFɅ, which Windows-1252 lacks.
        {"w.ini", "[S]\r\nCle=CAF\xC9\x85\r\n", u"CAFÉ…"},
        {"u.ini", "[S]\r\nCle=CAF\xC3\x89\xE2\x80\xA6\r\n", u"CAFÉ…"}, // the same in UTF-8
    };
    for (const auto& c : cas) {
        d.Ecrit(c.nom, c.octets);
        EXPECT_EQ(LireIni(d.Chemin(c.nom), "S", "Cle"), QString::fromUtf16(c.valeur)) << c.nom;
    }
}

TEST(EcrireIni, NeverPutsACharacterWindows1252LacksInAUtf8File) {
    DossierTest d;
    const QByteArray avant = "[S]\nA=caf\xC3\xA9\n";
    d.Ecrit("u.ini", avant);
    const QString f = d.Chemin("u.ini");
    // The whole file would then read as Windows-1252: "cafÃ©".
    EXPECT_EQ(EcrireIni("S", "B", QString::fromUtf16(u"Ʌ"), f), 0);
    EXPECT_EQ(d.Lit("u.ini"), avant);
    ASSERT_NE(EcrireIni("S", "B", "€", f), 0);
    EXPECT_EQ(LireIni(f, "S", "A"), "café");
    EXPECT_EQ(LireIni(f, "S", "B"), "€");
    // A value that leaves the file plain ASCII is no change of encoding.
    ASSERT_NE(EcrireIni("S", "A", "cafe", f), 0);
    ASSERT_NE(EcrireIni("S", "B", "euro", f), 0);
    EXPECT_EQ(LireIni(f, "S", "A"), "cafe");
}
