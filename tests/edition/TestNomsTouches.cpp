#include "edition/NomsTouches.h"

#include "base/ErreurKovra.h"
#include "processing/TableTouches.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/DossierTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::DonneesTest;

namespace {

// The file with the key lines of one section given new values, every other byte as it was.
QByteArray AvecValeurs(const QByteArray& fichier, const QByteArray& section,
                       const QList<QByteArray>& valeurs) {
    QList<QByteArray> lignes = fichier.split('\n');
    bool dedans = false;
    for (QByteArray& l : lignes) {
        if (l.startsWith('[')) {
            dedans = l.startsWith('[' + section + ']');
            continue;
        }
        const qsizetype egal = l.indexOf('=');
        if (!dedans || egal < 0) {
            continue;
        }
        const int i = l.left(egal).trimmed().toInt();
        l = l.left(egal + 1) + valeurs[i] + '\r';
    }
    return lignes.join('\n');
}

// What the file holds after a failed write must be what it held before.
void EchoueSansToucher(const QString& chemin, const QStringList& noms, const char* attendu) {
    QFile f(chemin);
    const QByteArray avant = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    f.close();
    try {
        EcritNomsTouches(QFileInfo(chemin).path(), "Particuliere", noms, 0);
        ADD_FAILURE() << "no error for " << chemin.toStdString();
    } catch (const ErreurKovra& e) {
        EXPECT_TRUE(e.Message().contains(chemin)) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(attendu))) << e.Message().toStdString();
    }
    QFile apres(chemin);
    EXPECT_EQ(apres.open(QIODevice::ReadOnly) ? apres.readAll() : QByteArray(), avant);
}

} // namespace

TEST(NomsTouches, TheGroupsNameTheirKeysAndSlots) {
    const GroupeTouches p = Groupe(GenreTouches::Particulieres);
    EXPECT_EQ(p.section, "Particuliere");
    EXPECT_EQ(p.premierCode, 0);
    EXPECT_EQ(p.libelles, (QStringList{"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10",
                                       "F11", "F12", "+", "%", "^"}));
    const GroupeTouches s = Groupe(GenreTouches::Systeme);
    EXPECT_EQ(s.section, "systeme");
    EXPECT_EQ(s.premierCode, 15);
    EXPECT_EQ(
        s.libelles,
        (QStringList{"BACKSPACE", "CAPS LOCK", "NUM LOCK", "PRINT SCREEN", "SCROLL LOCK", "INSERT",
                     "PAGEDOWN",  "PAGE UP",   "BREAK",    "DEL",          "END",         "ENTER",
                     "HELP",      "HOME",      "ESC",      "TAB",          "DOWN",        "UP",
                     "LEFT",      "RIGHT",     "SHIFT",    "CTRL",         "ALT"}));
}

TEST(NomsTouches, NamesGoBackAsTypedAndTheFileKeepsItsForm) {
    DonneesTest t;
    const QByteArray avant = t.dossier.Lit("donnees/" + kTouche);
    // Name typed, and the value the line must hold (bytes of Windows-1252).
    const struct {
        const char* nom;
        QByteArray valeur;
    } cas[] = {
        {"{Valider}", "{Valider}@ 15"},
        {"", "@ 16"}, // an empty box
        {"{Entrée}", "{Entr\xE9"
                     "e}@ 17"},
        {" {TAB}", "\" {TAB}@ 18\""}, // a leading blank survives the reading
        {"{a b};=[x]", "{a b};=[x]@ 19"},
        {"\"x\"", "\"x\"@ 20"},
        {"{FIN}  ", "{FIN}  @ 21"},
    };
    QStringList noms;
    QList<QByteArray> valeurs;
    for (int i = 0; i < 23; ++i) {
        const int n = i % static_cast<int>(std::size(cas));
        noms << QString::fromUtf8(cas[n].nom);
        QByteArray v = cas[n].valeur;
        // Each case written with its own slot number.
        const qsizetype at = v.lastIndexOf('@');
        v = v.left(at + 2) + QByteArray::number(15 + i) + (v.endsWith('"') ? "\"" : "");
        valeurs << v;
    }
    EcritNomsTouches(t.donnees, "systeme", noms, 15);
    EXPECT_EQ(t.dossier.Lit("donnees/" + kTouche), AvecValeurs(avant, "systeme", valeurs));
    EXPECT_EQ(LitNomsTouches(t.donnees, "systeme", 23), noms);
    // Reading the other page is not disturbed.
    EXPECT_EQ(LitNomsTouches(t.donnees, "Particuliere", 3), (QStringList{"{F1}", "{F2}", "{F3}"}));
    // Saving again what was read leaves the file as it is.
    const QByteArray une = t.dossier.Lit("donnees/" + kTouche);
    EcritNomsTouches(t.donnees, "systeme", LitNomsTouches(t.donnees, "systeme", 23), 15);
    EXPECT_EQ(t.dossier.Lit("donnees/" + kTouche), une);
    // The processing side gives each key the key string of its slot: key 0 ("{Valider}",
    // slot 15) and key 3 (" {TAB}", slot 18).
    const TableTouches table = ChargeTableTouches(t.donnees);
    EXPECT_EQ(table.Entrees[15].nom, "{Valider}");
    EXPECT_EQ(table.Entrees[15].touches, "{BACKSPACE}");
    EXPECT_EQ(table.Entrees[18].nom, " {TAB}");
    EXPECT_EQ(table.Entrees[18].touches, "{PRTSCR}");
}

TEST(NomsTouches, AFreshFileGetsBothSections) {
    kovra::test::DossierTest d;
    const QStringList particulieres{"{F1}", "", "{F3}"};
    EcritNomsTouches(d.Chemin(), "Particuliere", particulieres, 0);
    EcritNomsTouches(d.Chemin(), "systeme", {"{BS}"}, 15);
    EXPECT_EQ(LitNomsTouches(d.Chemin(), "Particuliere", 4), (QStringList{"{F1}", "", "{F3}", ""}));
    EXPECT_EQ(LitNomsTouches(d.Chemin(), "systeme", 1), QStringList{"{BS}"});
    // The keys are found however the blank before the number was kept.
    EXPECT_EQ(LireIni(d.Chemin(kTouche), "Particuliere", " 2"), "{F3}@ 2");
    EXPECT_EQ(LireIni(d.Chemin(kTouche), "systeme", "0"), "{BS}@ 15");
}

TEST(NomsTouches, KeysThatCannotBeSplitReadAsEmptyBoxes) {
    kovra::test::DossierTest d;
    d.Ecrit(kTouche, "[particuliere]\r\n"
                     " 0={F1}\r\n"      // no "@"
                     " 2=@ 2\r\n"       // empty name
                     "3={F4}@ 3@ 9\r\n" // cut at the first "@"
                     " 4 = {F5} @ 4 \r\n"
                     " 5=\r\n");
    EXPECT_EQ(LitNomsTouches(d.Chemin(), "Particuliere", 7),
              (QStringList{"", "", "", "{F4}", "{F5} ", "", ""}));
    EXPECT_EQ(LitNomsTouches(d.Chemin("absent"), "Particuliere", 2), (QStringList{"", ""}));
    EXPECT_EQ(LitNomsTouches(d.Chemin(), "Inconnue", 0), QStringList{});
}

TEST(NomsTouches, RefusesNamesThatWouldNotComeBackAsTyped) {
    const struct {
        const char* nom;
        const char* dans; // empty: accepted
    } cas[] = {
        {"{F1}", ""},
        {"", ""},
        {"{a@b}", "« @ »"},
        {"@", "« @ »"},
        {"{a\r\nb}", "une ligne"},
        {"{a\nb}", "une ligne"},
        {"{a\rb}", "une ligne"},
    };
    for (const auto& c : cas) {
        const QString refus = RefusNomTouche("F4", QString::fromUtf8(c.nom));
        EXPECT_EQ(refus.isEmpty(), *c.dans == 0) << c.nom;
        EXPECT_TRUE(refus.contains(QString::fromUtf8(c.dans))) << refus.toStdString();
        if (!refus.isEmpty()) {
            EXPECT_TRUE(refus.contains("« F4 »")) << refus.toStdString();
        }
    }
    EXPECT_TRUE(RefusNomTouche("ALT", QString(kLongueurNomTouche, u'x')).isEmpty());
    EXPECT_TRUE(RefusNomTouche("ALT", QString(kLongueurNomTouche + 1, u'x')).contains("trop long"));
    // The first refused box of a page, named by its label.
    EXPECT_TRUE(RefusNomsTouches({"F1", "F2", "F3"}, {"a", "b", "c"}).isEmpty());
    EXPECT_TRUE(RefusNomsTouches({"F1", "F2", "F3"}, {"a", "b@", "c\n"}).contains("« F2 »"));
}

TEST(NomsTouches, AWriteThatCannotBeWholeChangesNothing) {
    DonneesTest t;
    const QString chemin = t.Chemin(kTouche);
    // A refused name even after accepted ones: none of them is written.
    EchoueSansToucher(chemin, {"{A}", "{B@}"}, "« F2 »");
    EchoueSansToucher(chemin, {"{A}", "{B}", "x\ny"}, "« F3 »");
    // A character the file's encoding (Windows-1252) lacks would be lost.
    EchoueSansToucher(chemin, {"{A}", "{Ω}"}, "« F2 »");
    // Nothing may be written where the file is a folder, or where there is no folder.
    kovra::test::DossierTest d;
    QDir(d.Chemin()).mkpath(kTouche);
    EchoueSansToucher(d.Chemin(kTouche), {"{A}"}, "Impossible d'écrire");
    EchoueSansToucher(d.Chemin("absent/" + kTouche), {"{A}"}, "Impossible d'écrire");
    // A file the user may not write (an administrator may write it anyway).
    QFile::setPermissions(chemin, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile essai(chemin);
    if (!essai.open(QIODevice::ReadWrite)) {
        EchoueSansToucher(chemin, {"{A}"}, "Impossible d'écrire");
    }
    essai.close();
    QFile::setPermissions(chemin, QFile::ReadOwner | QFile::WriteOwner);
}

TEST(NomsTouches, AFileSavedAsUtf8TakesTheCharactersItCanKeep) {
    kovra::test::DossierTest d;
    d.Ecrit(kTouche, "[Particuliere]\n 0={Entrée}@ 0\n");
    EcritNomsTouches(d.Chemin(), "Particuliere", {"{Entrée}", "{€}"}, 0);
    EXPECT_EQ(d.Lit(kTouche), "[Particuliere]\n 0={Entrée}@ 0\n1={€}@ 1\n");
    EXPECT_EQ(LitNomsTouches(d.Chemin(), "Particuliere", 2), (QStringList{"{Entrée}", "{€}"}));
    // A character Windows-1252 lacks would make the whole file read as Windows-1252.
    EchoueSansToucher(d.Chemin(kTouche), {"{Entrée}", "{Ω}"}, "« F2 »");
    // With a UTF-8 signature the file says what it is, and takes any character.
    d.Ecrit(kTouche, "\xEF\xBB\xBF[Particuliere]\n 0={Entrée}@ 0\n");
    EcritNomsTouches(d.Chemin(), "Particuliere", {"{Entrée}", "{Ω}"}, 0);
    EXPECT_EQ(LitNomsTouches(d.Chemin(), "Particuliere", 2), (QStringList{"{Entrée}", "{Ω}"}));
}
