// The import of a text file through the core: the frame a file makes, how it is read, what
// becomes of a file that cannot be, and the import's place among the core's other frames.
#include "app/ImportFichier.h"

#include "storage/FichierProfil.h"
#include "support/Attente.h"
#include "support/PosteImport.h"

#include <QFile>
#include <QSet>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::PosteImport;

namespace {

// Imports a file and waits until the import says how it ended.
std::optional<IssueImport> Importe(ImportFichier& import, const QString& fichier,
                                   const QString& separateur) {
    std::optional<IssueImport> issue;
    import.getFile(fichier, separateur, [&](IssueImport i) { issue = i;
});
AttendQue([&] { return issue.has_value(); }, 20000);
return issue;
} // namespace

QByteArray Lignes(const QStringList& champs) {
    QByteArray o;
    for (const QString& c : champs) {
        o += c.toLatin1() + "\r\n";
    }
    return o;
}

} // namespace

TEST(ImportFichier, EachLineIsARecordAndEachSeparatedTextAField) {
    const struct {
        const char* nom;
        QByteArray fichier;
        QString separateur;
        QByteArray sortie; // one field a line, in Windows-1252
    } cas[] = {
        {"semicolons, CR LF", "A;B;C\r\nD;E\r\n", ";", Lignes({"A", "B", "C", "D", "E"})},
        {"a trailing separator adds no field", "A;B;\nC;\n", ";", Lignes({"A", "B", "C"})},
        {"a separator of several characters, replaced whole", "A<>B<>C\nD<E\n", "<>",
         Lignes({"A", "B", "C", "D<E"})},
        {"a separator that means something in a pattern", "A.B|C\n", ".", Lignes({"A", "B|C"})},
        {"LF, lone CR and no line end at all", "A;1\rB;2\nC;3\r\nD;4", ";",
         Lignes({"A", "1", "B", "2", "C", "3", "D", "4"})},
        {"blank lines are no records", "\r\n\nA;1\r\n \t \r\n\r\r\nB;2\n\n", ";",
         Lignes({"A", "1", "B", "2"})},
        {"Windows-1252 bytes", "Caf\xE9;\x80\x9C;\xFF\n", ";", "Caf\xE9\r\n\x80\x9C\r\n\xFF\r\n"},
        {"UTF-8 from a Linux editor", "Caf\xC3\xA9;\xE2\x82\xAC\n", ";", "Caf\xE9\r\n\x80\r\n"},
        // CAFÉ… in Windows-1252 is valid UTF-8 for CAFɅ, a character Windows-1252 lacks.
        {"Windows-1252 bytes that happen to be UTF-8", "CAF\xC9\x85;1\n", ";",
         "CAF\xC9\x85\r\n1\r\n"},
        {"UTF-8 with its signature",
         "\xEF\xBB\xBF"
         "A;\xC3\xA9\n",
         ";", "A\r\n\xE9\r\n"},
        {"a line of separators only", "A\n;;\nB\n", ";", Lignes({"A", "", "", "B"})},
    };
    for (const auto& c : cas) {
        PosteImport p;
        p.ChampParLigne();
        p.t.dossier.Ecrit("import.txt", c.fichier);
        ImportFichier import(*p.noyau, p.progression, p.minuterie);
        EXPECT_EQ(Importe(import, p.t.dossier.Chemin("import.txt"), c.separateur),
                  IssueImport::Livre)
            << c.nom;
        EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), c.sortie) << c.nom;
        EXPECT_EQ(p.t.dialogues.Messages(), QStringList{"Fichier " + p.Sortie() + " : généré"})
            << c.nom;
        EXPECT_FALSE(import.EnCours()) << c.nom;
    }
}

TEST(ImportFichier, AFileTurnsWindows1252OnlyWhereItStopsBeingUtf8) {
    // Plain lines over several blocks, then a Windows-1252 byte: the file is read again from
    // the start as Windows-1252, and nothing is there twice.
    PosteImport p;
    p.ChampParLigne();
    QByteArray fichier;
    QByteArray attendu;
    for (int i = 0; fichier.size() < 3 * kOctetsParTour; ++i) {
        const QByteArray ligne = "L" + QByteArray::number(i);
        fichier += ligne + "\n";
        attendu += ligne + "\r\n";
    }
    fichier += "\xE9t\xE9\n";
    attendu += "\xE9t\xE9\r\n";
    p.t.dossier.Ecrit("import.txt", fichier);
    ImportFichier import(*p.noyau, p.progression, p.minuterie);
    EXPECT_EQ(Importe(import, p.t.dossier.Chemin("import.txt"), ";"), IssueImport::Livre);
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), attendu);
}

TEST(ImportFichier, AKeystrokeScenarioTypesTheRecords) {
    PosteImport p;
    p.Scenario("Saisie", kTypeEmulation, {"&CODE", "{TAB}", "&QTY", "{ENTER}"});
    p.t.dossier.Ecrit("import.txt", "A1;2\r\nB\xE9;3\r\n");
    ImportFichier import(*p.noyau, p.progression, p.minuterie);
    EXPECT_EQ(Importe(import, p.t.dossier.Chemin("import.txt"), ";"), IssueImport::Livre);
    ASSERT_NE(p.clavier, nullptr);
    EXPECT_EQ(p.clavier->Caracteres(), U"A12Bé3");
    const auto& ev = p.clavier->Evenements();
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "down TAB"), 2);
    EXPECT_EQ(std::count(ev.begin(), ev.end(), "down ENTER"), 2);
    EXPECT_TRUE(p.t.dialogues.Messages().isEmpty());
}

TEST(ImportFichier, WhatCannotBeImportedIsSaidAndLeavesTheLastOutputAlone) {
    PosteImport p;
    p.ChampParLigne();
    p.t.dossier.Ecrit("sortie.txt", "sortie précédente");
    p.t.dossier.Ecrit("vide.txt", "");
    p.t.dossier.Ecrit("blanc.txt", "\r\n  \n\r");
    const QString tube = p.t.dossier.Chemin("tube");
    ASSERT_EQ(mkfifo(tube.toLocal8Bit().constData(), 0600), 0);
    const struct {
        QString fichier;
        IssueImport issue;
        QString message; // the start of it
        bool progressionFermee;
    } cas[] = {
        {p.t.dossier.Chemin("absent.txt"), IssueImport::Absent, "Le fichier n'existe pas", false},
        {QString(), IssueImport::Absent, "Le fichier n'existe pas", false},
        {p.t.dossier.Chemin(), IssueImport::Illisible,
         "Impossible de lire le fichier " + p.t.dossier.Chemin() + " : ce n'est pas", false},
        // A pipe would keep the reading waiting for a writer.
        {tube, IssueImport::Illisible, "Impossible de lire le fichier " + tube, false},
        {p.t.dossier.Chemin("vide.txt"), IssueImport::Vide,
         "Le fichier " + p.t.dossier.Chemin("vide.txt") + " ne contient aucune ligne", true},
        {p.t.dossier.Chemin("blanc.txt"), IssueImport::Vide,
         "Le fichier " + p.t.dossier.Chemin("blanc.txt") + " ne contient aucune ligne", true},
    };
    for (const auto& c : cas) {
        p.t.dialogues = {};
        p.progression = {};
        ImportFichier import(*p.noyau, p.progression, p.minuterie);
        EXPECT_EQ(Importe(import, c.fichier, ";"), c.issue) << c.fichier.toStdString();
        ASSERT_EQ(p.t.dialogues.Messages().size(), 1) << c.fichier.toStdString();
        EXPECT_TRUE(p.t.dialogues.Messages()[0].startsWith(c.message))
            << p.t.dialogues.Messages()[0].toStdString();
        EXPECT_EQ(p.progression.termines, c.progressionFermee ? 1 : 0) << c.fichier.toStdString();
        EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "sortie précédente") << c.fichier.toStdString();
        EXPECT_FALSE(import.EnCours());
    }
    EXPECT_TRUE(p.livrees.isEmpty());
    // Nothing was processed: the counter did not move.
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "sortie précédente");
}

TEST(ImportFichier, AFileThatFailsWhileReadIsReportedAndNothingProcessed) {
    // A file the system calls ordinary but whose reading fails at its start.
    const QString fichier = QStringLiteral("/proc/self/mem");
    {
        QFile f(fichier);
        char octet;
        if (!f.open(QIODevice::ReadOnly) || f.read(&octet, 1) >= 0) {
            GTEST_SKIP() << "no file here fails when read";
        }
    }
    PosteImport p;
    p.ChampParLigne();
    ImportFichier import(*p.noyau, p.progression, p.minuterie);
    EXPECT_EQ(Importe(import, fichier, ";"), IssueImport::Illisible);
    ASSERT_EQ(p.t.dialogues.Messages().size(), 1);
    EXPECT_TRUE(p.t.dialogues.Messages()[0].startsWith("Impossible de lire le fichier " + fichier));
    EXPECT_TRUE(p.t.dialogues.Messages()[0].endsWith("Aucune donnée n'a été traitée."));
    EXPECT_EQ(p.progression.libelles.value(1), kLibelleLecture);
    EXPECT_EQ(p.progression.termines, 1); // the progress window goes away
    EXPECT_TRUE(p.livrees.isEmpty());
    EXPECT_FALSE(QFile::exists(p.Sortie()));
}

TEST(ImportFichier, AHundredThousandLinesAreReadWhileTheLoopGoesOn) {
    PosteImport p;
    p.ChampParLigne();
    QByteArray fichier;
    QByteArray attendu;
    const int lignes = 100000;
    for (int i = 0; i < lignes; ++i) {
        const QByteArray n = QByteArray::number(i);
        fichier += "C" + n + ";" + n + "\r\n";
        attendu += "C" + n + "\r\n" + n + "\r\n";
    }
    p.t.dossier.Ecrit("import.txt", fichier);

    // Another piece of the program, counting the turns of the loop it gets meanwhile.
    int tours = 0;
    int toursPendantLecture = 0;
    QTimer autre;
    autre.setInterval(0);
    QObject::connect(&autre, &QTimer::timeout, [&] {
        ++tours;
        if (!p.progression.valeurs.isEmpty() && p.progression.valeurs.back() < 100) {
            ++toursPendantLecture;
        }
    });
    autre.start();
    ImportFichier import(*p.noyau, p.progression, p.minuterie);
    EXPECT_EQ(Importe(import, p.t.dossier.Chemin("import.txt"), ";"), IssueImport::Livre);
    autre.stop();

    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), attendu);
    const int blocs = static_cast<int>(fichier.size() / kOctetsParTour);
    EXPECT_GE(toursPendantLecture, blocs / 2) << tours;
    // The reading reports its progress from 0 up, then processing takes over.
    ASSERT_GE(p.progression.libelles.size(), 2);
    EXPECT_EQ(p.progression.libelles.mid(0, 2), (QStringList{QString(), kLibelleLecture}));
    const qsizetype finLecture = p.progression.valeurs.indexOf(100);
    ASSERT_GT(finLecture, 0);
    const QList<int> lecture = p.progression.valeurs.mid(0, finLecture + 1);
    EXPECT_TRUE(std::is_sorted(lecture.begin(), lecture.end()));
    EXPECT_GE(QSet<int>(lecture.begin(), lecture.end()).size(), blocs / 2);
    EXPECT_EQ(p.progression.valeurs.back(), 100);
    EXPECT_EQ(p.progression.termines, 1);
}

TEST(ImportFichier, TheImportLearnsItsOwnOutcomeBehindAnotherFrame) {
    PosteImport p;
    p.ChampParLigne();
    // A frame from the port, on a scenario whose file cannot be written, is there first.
    {
        BaseScen base(p.t.Chemin(kScenDb));
        const qint16 n =
            CreeScenario(base, {"Perdu", kTypeFichier, 0, false, "/proc/kovra/perdu.txt"});
        AjouteAction(base, n, "&CODE", 0);
        ExporteScenario(base, p.t.donnees, n);
    }
    auto perdu = std::make_shared<EtatScenario>();
    ChargeScenario(*perdu, "Perdu", p.t.donnees, p.bulle, 0);
    perdu->ScenarioActif = "Perdu";
    DemandeTraitement port;
    port.trame = "X\r";
    port.scenario = perdu;
    port.reinitialisePort = false;
    p.noyau->TraiteTrame(port);

    p.t.dossier.Ecrit("import.txt", "A;B\n");
    ImportFichier import(*p.noyau, p.progression, p.minuterie);
    EXPECT_EQ(Importe(import, p.t.dossier.Chemin("import.txt"), ";"), IssueImport::Livre);
    EXPECT_EQ(p.livrees, (QList<bool>{false, true}));
    EXPECT_EQ(p.t.dossier.Lit("sortie.txt"), "A\r\nB\r\n");
}

TEST(ImportFichier, OneImportAtATimeAndNoneOutlivesItsObject) {
    PosteImport p;
    p.ChampParLigne();
    p.t.dossier.Ecrit("import.txt", "A;B\n");
    const QString chemin = p.t.dossier.Chemin("import.txt");
    {
        ImportFichier import(*p.noyau, p.progression, p.minuterie);
        std::optional<IssueImport> premier;
        std::optional<IssueImport> second;
        import.getFile(chemin, ";", [&](IssueImport i) { premier = i;
    });
        import.getFile(chemin, ";", [&](IssueImport i) { second = i;
});
EXPECT_EQ(second, IssueImport::DejaEnCours);
EXPECT_EQ(p.t.dialogues.Messages().value(0).left(37), "Un fichier est déjà en cours d'import");
ASSERT_TRUE(AttendQue([&] { return premier.has_value(); }));
EXPECT_EQ(premier, IssueImport::Livre);
}
// Destroyed while reading, then once its frame is handed over: nothing runs after it.
for (const bool apresLecture : {false, true}) {
    QFile::remove(p.Sortie());
    bool appele = false;
    {
        ImportFichier import(*p.noyau, p.progression, p.minuterie);
            import.getFile(chemin, ";", [&](IssueImport) { appele = true;
    });
    if (apresLecture) {
        ASSERT_TRUE(AttendQue([&] { return p.noyau->Occupe(); }));
    }
}
AttendQue([&] { return !p.noyau->Occupe(); });
EXPECT_FALSE(appele);
// A frame handed over is still delivered; one not read yet is not.
EXPECT_EQ(QFile::exists(p.Sortie()), apresLecture);
}
}
