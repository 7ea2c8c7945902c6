// Transfers through the stand-in library loaded for real: the calls and their arguments,
// the messages, the failures, the loader's search and refusals, the setting boxes' values
// and the test file.
#include "base/ErreurKovra.h"
#include "support/LimiteTailleFichier.h"
#include "transfer/BibliothequeMultidll.h"
#include "transfer/OperationsTransfert.h"
#include "transfer/TerminalSubstitut.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::CheminSubstitut;
using kovra::test::CheminSubstitutIncomplet;
using kovra::test::TerminalSubstitut;

namespace {

// 300 bytes: three packets of the stand-in (128, 128, 44).
QByteArray Contenu() {
    QByteArray o;
    for (int i = 0; i < 300; ++i) {
        o += static_cast<char>(i * 7);
    }
    return o;
}

struct Poste : TerminalSubstitut {
    Poste() {
        ChargementMultidll c = ChargeMultidll(CheminSubstitut(), QString());
        EXPECT_NE(c.bibliotheque, nullptr) << c.erreur.toStdString();
        b = std::move(c.bibliotheque);
        b->OpenCommPort(1, 9600, 8, 0, 1);
    }

    // Runs a whole transfer; each packet's call is checked to bring no message until the
    // last one.
    bool Transfere(Transfert::Sens sens, const QString& terminal, const QString& pc) {
        Transfert t(*b, sens, terminal, pc, [&](const QString& m) { messages << m; });
        if (t.Demarre()) {
            while (t.Etape()) {
                EXPECT_TRUE(messages.isEmpty() || messages.back().startsWith("Powersave off"))
                    << messages.back().toStdString();
            }
        }
        EXPECT_TRUE(t.Fini());
        avancement = t.Avancement();
        return t.Reussi();
    }

    std::unique_ptr<BibliothequeMultidll> b;
    QStringList messages;
    AvancementTransfert avancement;
};

} // namespace

TEST(Transfert, LibelleErreurGivesTheLibrarysTextsAndNumbersTheOthers) {
    const std::vector<std::pair<int32_t, const char*>> table = {
        {0, "Succesfull"},
        {1, "Unsuccessful or successflly download/upload one packed"},
        {2, "Illegal command"},
        {3, "Host get NAK"},
        {4, "Time out"},
        {5, "Get unknown response"},
        {6, "Return string BBC error"},
        {7, "No data to be enquired"},
        {8, "User press ESC to break"},
        {9, "Set Power saving off fail"},
        {10, "Power failure"},
        {11, "Processor exception occurred"},
        {12, "Reset by host"},
        {13, "User reset"},
        {14, "Application reset"},
        {15, "Cold start"},
        {16, "Warm start"},
        {17, "Undefined error: 17"},
        {19, "Undefined error: 19"},
        {20, "Terminal in diagnostic state"},
        {21, "Terminal already start"},
        {22, "Invalid number of parameter"},
        {23, "Undefined error: 23"},
        {30, "File doesn't exist"},
        {31, "Illegal file name"},
        {32, "File already exist ,upload file name to be changed"},
        {33, "File already exist ,system can't change file name"},
        {34, "File open error"},
        {35, "No program is executed"},
        {40, "RAM disk isn't empty"},
        {41, "Out of memory size"},
        {50, "Upload mode"},
        {51, "Undefined error: 51"},
        {-1, "Undefined error: -1"},
        {2147483647, "Undefined error: 2147483647"},
    };
    for (const auto& [code, texte] : table) {
        EXPECT_EQ(LibelleErreur(code), QString::fromUtf8(texte)) << code;
    }
}

TEST(Transfert, ValeurReglageTakesTheLeadingNumberAndRefusesWhatExceeds32Bits) {
    const std::vector<std::pair<const char*, std::optional<int32_t>>> table = {
        {"12ab", 12},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {".", 0},
        {"-3", -3},
        {"+7", 7},
        {"  42", 42},
        {"2.6", 3},
        {"-2.6", -3},
        {"2.5", 2}, // halves to the even neighbour
        {"3.5", 4},
        {"5.", 5},
        {".4", 0},
        {"1.2.3", 1},
        {"7 8", 7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483647.6", std::nullopt},
        {"2147483648", std::nullopt},
        {"99999999999", std::nullopt},
        {"-99999999999", std::nullopt},
        {"99999999999999999999999999999999999999999999999999", std::nullopt},
    };
    for (const auto& [texte, attendue] : table) {
        EXPECT_EQ(ValeurReglage(QString::fromUtf8(texte)), attendue) << texte;
    }
}

TEST(Transfert, UploadCallsTheLibraryInOrderAndSaysSuccesfullOnceAtTheEnd) {
    Poste p;
    p.EcritSurTerminal("TESTFILE.$$$", Contenu());
    const QString pc = p.dossier.Chemin("TESTFIL2.$$$");

    EXPECT_TRUE(p.Transfere(Transfert::Sens::VersPc, "TESTFILE.$$$", pc));

    EXPECT_EQ(p.messages, QStringList{"Succesfull"});
    EXPECT_EQ(p.Journal(), (QStringList{
                               "HM_OpenCommPort(1,9600,8,0,1)",
                               "HM_file_exist(1,65,\"TESTFILE.$$$\")",
                               "HM_power_saving_off(1,65)",
                               "HM_upload1(1,65,\"TESTFILE.$$$\",\"" + pc + "\")",
                               "HM_get_return_string_length(0)",
                               "HM_upload2()",
                               "HM_upload2()",
                               "HM_upload2()",
                               "HM_power_saving_on(1,65)",
                           }));
    EXPECT_EQ(p.dossier.Lit("TESTFIL2.$$$"), Contenu());
    EXPECT_EQ(p.avancement.octets, 300);
    EXPECT_EQ(p.avancement.paquets, 3);
    EXPECT_EQ(p.avancement.total, 300);
}

TEST(Transfert, DownloadCallsTheLibraryInOrderAndMovesTheFileWhole) {
    Poste p;
    p.dossier.Ecrit("essais.txt", Contenu());
    const QString pc = p.dossier.Chemin("essais.txt");

    EXPECT_TRUE(p.Transfere(Transfert::Sens::VersTerminal, "ESSAIS.TXT", pc));

    EXPECT_EQ(p.messages, QStringList{"Succesfull"});
    EXPECT_EQ(p.Journal(), (QStringList{
                               "HM_OpenCommPort(1,9600,8,0,1)",
                               "HM_power_saving_off(1,65)",
                               "HM_download1(1,65,\"" + pc + "\",\"ESSAIS.TXT\")",
                               "HM_download2()",
                               "HM_download2()",
                               "HM_download2()",
                               "HM_power_saving_on(1,65)",
                           }));
    EXPECT_EQ(p.LitSurTerminal("ESSAIS.TXT"), Contenu());
    EXPECT_EQ(p.avancement.octets, 300);
    EXPECT_EQ(p.avancement.paquets, 3);
    EXPECT_EQ(p.avancement.total, 300);
}

TEST(Transfert, NamesGoOutInTheirEncodings) {
    Poste p;
    p.EcritSurTerminal("CAFÉ.TXT", "abc");
    const QString pc = p.dossier.Chemin("reçu.txt");

    EXPECT_TRUE(p.Transfere(Transfert::Sens::VersPc, "CAFÉ.TXT", pc));

    // The journal holds the bytes as they were passed: Windows-1252 for the terminal, the
    // file system's encoding (UTF-8 here) for the PC.
    const QByteArray journal = p.dossier.Lit("journal.txt");
    EXPECT_TRUE(journal.contains("HM_file_exist(1,65,\"CAF\xC9.TXT\")")) << journal.toStdString();
    EXPECT_TRUE(journal.contains(QFile::encodeName(pc)));
    EXPECT_EQ(p.dossier.Lit("reçu.txt"), "abc");
}

TEST(Transfert, FailuresAreToldWithTheirPrefixesAndPowerSavingGoesBackOn) {
    struct Cas {
        Transfert::Sens sens;
        const char* echec; // KOVRA_MULTIDLL_ECHEC
        QStringList messages;
        bool reussi;
    };
    const auto monte = Transfert::Sens::VersPc;
    const auto descend = Transfert::Sens::VersTerminal;
    const std::vector<Cas> table = {
        {monte,
         "HM_power_saving_off:9",
         {"Powersave off, error: Set Power saving off fail", "Succesfull"},
         true},
        {monte, "HM_upload1:31", {"Upload1: Illegal file name"}, false},
        {monte, "HM_upload2@2:17", {"Undefined error: 17"}, false},
        {monte, "HM_upload2@3:8", {"User press ESC to break"}, false},
        {monte,
         "HM_power_saving_on:10",
         {"Succesfull", "Powersave on, error: Power failure"},
         true},
        {monte,
         "HM_power_saving_off:9,HM_upload1:41,HM_power_saving_on:4",
         {"Powersave off, error: Set Power saving off fail", "Upload1: Out of memory size",
          "Powersave on, error: Time out"},
         false},
        {descend,
         "HM_power_saving_off:9",
         {"Powersave off, error: Set Power saving off fail", "Succesfull"},
         true},
        {descend, "HM_download1:34", {"Download1 File open error"}, false},
        {descend, "HM_download2@1:3", {"Host get NAK"}, false},
        {descend,
         "HM_power_saving_on:10",
         {"Succesfull", "Powersave on, error: Power failure"},
         true},
    };
    for (const Cas& c : table) {
        Poste p;
        p.EcritSurTerminal("TESTFILE.$$$", Contenu());
        p.dossier.Ecrit("essais.txt", Contenu());
        qputenv("KOVRA_MULTIDLL_ECHEC", c.echec);
        const bool reussi =
            c.sens == monte ? p.Transfere(monte, "TESTFILE.$$$", p.dossier.Chemin("TESTFIL2.$$$"))
                            : p.Transfere(descend, "ESSAIS.TXT", p.dossier.Chemin("essais.txt"));
        EXPECT_EQ(p.messages, c.messages) << c.echec;
        EXPECT_EQ(reussi, c.reussi) << c.echec;
        EXPECT_EQ(p.Journal().back(), "HM_power_saving_on(1,65)") << c.echec;
        EXPECT_EQ(p.Journal().count("HM_power_saving_on(1,65)"), 1) << c.echec;
    }
}

TEST(Transfert, AMissingTerminalFileStopsTheUploadBeforeAnyPowerSavingCall) {
    Poste p;
    EXPECT_FALSE(p.Transfere(Transfert::Sens::VersPc, "TESTFILE.$$$", p.dossier.Chemin("x")));

    EXPECT_EQ(p.messages, QStringList{"File doesn't exist on portable !"});
    EXPECT_EQ(p.Journal(), (QStringList{"HM_OpenCommPort(1,9600,8,0,1)",
                                        "HM_file_exist(1,65,\"TESTFILE.$$$\")"}));
    EXPECT_FALSE(QFile::exists(p.dossier.Chemin("x")));
}

TEST(Transfert, APcFileThatCannotBeSentStopsTheDownloadBeforeAnyCall) {
    Poste p;
    p.dossier.Ecrit("dossier/f.txt", "x");
    const struct {
        QString pc;
        QString message;
    } cas[] = {
        {p.dossier.Chemin("absent.txt"),
         "Le fichier " + p.dossier.Chemin("absent.txt") + " n'existe pas."},
        {p.dossier.Chemin("dossier"), p.dossier.Chemin("dossier") + " n'est pas un fichier."},
    };
    for (const auto& c : cas) {
        p.EffaceJournal();
        p.messages.clear();
        EXPECT_FALSE(p.Transfere(Transfert::Sens::VersTerminal, "ESSAIS.TXT", c.pc));
        EXPECT_EQ(p.messages, QStringList{c.message});
        EXPECT_TRUE(p.Journal().isEmpty()) << p.Journal().join('\n').toStdString();
        EXPECT_EQ(RefusFichierAEnvoyer(c.pc), c.message);
    }
    EXPECT_EQ(RefusFichierAEnvoyer(p.dossier.Chemin("dossier/f.txt")), "");
}

TEST(Transfert, NamesTheLibraryCouldNotTakeAsTheyAreStopBeforeAnyCall) {
    Poste p;
    p.EffaceJournal();
    // A character Windows-1252 lacks would reach the terminal as "?".
    EXPECT_FALSE(p.Transfere(Transfert::Sens::VersPc, "ΩMEGA.TXT", p.dossier.Chemin("x")));
    // HM_upload1's buffer is 1024 bytes: a longer path would be cut.
    EXPECT_FALSE(p.Transfere(Transfert::Sens::VersPc, "TESTFILE.$$$",
                             p.dossier.Chemin(QString(1100, u'a'))));
    // A NUL would end either name early.
    EXPECT_FALSE(
        p.Transfere(Transfert::Sens::VersPc, QString::fromLatin1("TEST\0FILE.$$$", 13), "x"));
    EXPECT_FALSE(
        p.Transfere(Transfert::Sens::VersTerminal, "ESSAIS.TXT", QString::fromLatin1("a\0b", 3)));
    EXPECT_EQ(p.messages.size(), 4);
    EXPECT_TRUE(p.Journal().isEmpty()) << p.Journal().join('\n').toStdString();
}

TEST(Transfert, ATransferThatNeverEndsIsStoppedWithPowerSavingBackOn) {
    Poste p;
    p.EcritSurTerminal("TESTFILE.$$$", Contenu());
    qputenv("KOVRA_MULTIDLL_SANS_FIN", "1");
    Transfert t(*p.b, Transfert::Sens::VersPc, "TESTFILE.$$$", p.dossier.Chemin("y"),
                [&](const QString& m) { p.messages << m; });
    ASSERT_TRUE(t.Demarre());
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(t.Etape());
    }
    p.EffaceJournal();

    t.Arrete();
    t.Arrete();

    EXPECT_TRUE(t.Fini());
    EXPECT_FALSE(t.Reussi());
    EXPECT_FALSE(t.Etape());
    EXPECT_EQ(p.Journal(), QStringList{"HM_power_saving_on(1,65)"});
    EXPECT_TRUE(p.messages.isEmpty());
    EXPECT_EQ(t.Avancement().octets, 300);
}

TEST(Transfert, ALibraryNotFoundOrLackingAFunctionIsNamedAndNotKept) {
    TerminalSubstitut s;
    const QString absente = s.dossier.Chemin("nulle-part/libMultidll.so");
    ChargementMultidll c = ChargeMultidll(absente, QString());
    EXPECT_EQ(c.bibliotheque, nullptr);
    EXPECT_TRUE(c.erreur.contains(absente)) << c.erreur.toStdString();

    c = ChargeMultidll(CheminSubstitutIncomplet(), QString());
    EXPECT_EQ(c.bibliotheque, nullptr);
    EXPECT_TRUE(c.erreur.contains("HM_version")) << c.erreur.toStdString();
    EXPECT_FALSE(c.erreur.contains("HM_get_time_out")) << c.erreur.toStdString();

    // A file that is no library.
    s.dossier.Ecrit("faux/libMultidll.so", "pas une bibliothèque");
    c = ChargeMultidll(s.dossier.Chemin("faux/libMultidll.so"), QString());
    EXPECT_EQ(c.bibliotheque, nullptr);
    EXPECT_TRUE(c.erreur.contains(s.dossier.Chemin("faux/libMultidll.so")));
}

TEST(Transfert, TheLibraryIsLookedForInOrder) {
    TerminalSubstitut s;
    const QString donnees = s.dossier.Chemin("donnees");
    QDir().mkpath(donnees);

    // Nothing anywhere: every place tried is named.
    ChargementMultidll c = ChargeMultidll(QString(), donnees);
    ASSERT_EQ(c.bibliotheque, nullptr);
    EXPECT_TRUE(c.erreur.contains(donnees + "/libMultidll.so")) << c.erreur.toStdString();
    EXPECT_TRUE(c.erreur.contains("lib/kovra/libMultidll.so")) << c.erreur.toStdString();
    EXPECT_TRUE(c.erreur.contains("système")) << c.erreur.toStdString();

    // The data folder's.
    ASSERT_TRUE(QFile::copy(CheminSubstitut(), donnees + "/libMultidll.so"));
    c = ChargeMultidll(QString(), donnees);
    ASSERT_NE(c.bibliotheque, nullptr) << c.erreur.toStdString();
    EXPECT_EQ(c.chemin, donnees + "/libMultidll.so");
    EXPECT_EQ(c.bibliotheque->Version(), 630);
    c.bibliotheque.reset();

    // $KOVRA_MULTIDLL before the data folder; and when it names a library that is not
    // there, the data folder's is not taken in its place.
    qputenv("KOVRA_MULTIDLL", QFile::encodeName(CheminSubstitutIncomplet()));
    c = ChargeMultidll(QString(), donnees);
    EXPECT_EQ(c.bibliotheque, nullptr);
    EXPECT_TRUE(c.erreur.contains("HM_version"));
    qputenv("KOVRA_MULTIDLL", QFile::encodeName(s.dossier.Chemin("absente.so")));
    c = ChargeMultidll(QString(), donnees);
    EXPECT_EQ(c.bibliotheque, nullptr);
    EXPECT_TRUE(c.erreur.contains(s.dossier.Chemin("absente.so")));

    // The path given before $KOVRA_MULTIDLL.
    c = ChargeMultidll(CheminSubstitut(), donnees);
    ASSERT_NE(c.bibliotheque, nullptr) << c.erreur.toStdString();
    EXPECT_EQ(c.chemin, CheminSubstitut());
    c.bibliotheque.reset();

    // A bare file name given is the current folder's file, not one on the system's path.
    const QString courant = QDir::currentPath();
    QDir::setCurrent(donnees);
    c = ChargeMultidll("libMultidll.so", QString());
    QDir::setCurrent(courant);
    ASSERT_NE(c.bibliotheque, nullptr) << c.erreur.toStdString();
    EXPECT_EQ(c.chemin, donnees + "/libMultidll.so");
}

TEST(Transfert, TheTestFileIsWrittenByteForByteAndReplacesALongerOne) {
    kovra::test::DossierTest d;
    d.Ecrit("TESTFILE.$$$", QByteArray(200000, 'z'));
    std::vector<int> progression;

    EcritFichierTest(d.Chemin("TESTFILE.$$$"), [&](int n) { progression.push_back(n); });

    QByteArray enregistrement("\xFA\x00", 2);
    enregistrement += QByteArray(250, 'x') + QByteArray(4, '\0');
    EXPECT_EQ(d.Lit("TESTFILE.$$$"), enregistrement.repeated(450));
    ASSERT_EQ(progression.size(), 450u);
    EXPECT_EQ(progression.front(), 1);
    EXPECT_EQ(progression.back(), 450);

    EXPECT_THROW(EcritFichierTest(d.Chemin("dossier-absent/TESTFILE.$$$")), ErreurKovra);
    EXPECT_EQ(QDir(d.Chemin()).entryList(QDir::Files), QStringList{"TESTFILE.$$$"});

    // A disk that fills up before the last records: an error, and the old file stays.
    d.Ecrit("TESTFILE.$$$", "ancien");
    {
        kovra::test::LimiteTailleFichier plein(450 * 256 - 100);
        EXPECT_THROW(EcritFichierTest(d.Chemin("TESTFILE.$$$")), ErreurKovra);
    }
    EXPECT_EQ(d.Lit("TESTFILE.$$$"), "ancien");
    EXPECT_EQ(QDir(d.Chemin()).entryList(QDir::Files), QStringList{"TESTFILE.$$$"});
}
