#include "base/ErreurKovra.h"
#include "keyboard/ClavierEnregistreur.h"
#include "keyboard/EnvoiTouches.h"
#include "processing/TraiteEmul.h"
#include "processing/TraitementTest.h"
#include "processing/TrameImport.h"

#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"
#include "support/LimiteTailleFichier.h"
#include "support/MinuterieManuelle.h"
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <deque>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::CasTraitement;
using kovra::test::MinuterieManuelle;
using kovra::test::Traitement;

namespace {

// Manual time whose pauses, once a keyboard is named, show among its key events.
struct MinuterieTemoin : MinuterieManuelle {
    ClavierEnregistreur* temoin = nullptr;
    void Apres(int ms, std::function<void()> suite) override {
        if (temoin != nullptr && ms != 0) {
            temoin->NotePause(ms);
        }
        MinuterieManuelle::Apres(ms, std::move(suite));
    }
};

struct PortCompte : ReinitialisationPort {
    int reinitialisations = 0;
    void ReinitialisePort() override { ++reinitialisations; }
};

// A pipeline over a scenario, a recording keyboard and manual time.
struct Chaine {
    explicit Chaine(const CasTraitement& cas, bool numerique = false, bool majuscules = false)
        : clavier(majuscules, numerique, false) {
        tr.Prepare(cas);
        touches = ChargeTableTouches(tr.t.donnees);
    }

    Traitement tr;
    TableTouches touches;
    ClavierEnregistreur clavier;
    MinuterieTemoin minuterie;
    ProgressionMuette progression;
    PortCompte port;
    MiroirsRegistre miroirs{{}, {}, "."};
    TraiteEmul emul{{tr.t.env, tr.scenario, tr.etat, touches, miroirs,
                     [this]() -> ClavierVirtuel& { return clavier; }, minuterie, progression,
                     &port}};

    std::u32string Tape() const { return clavier.Caracteres(); }
};

} // namespace

TEST(TraiteEmul, TypesEachSegmentThenPausesForIt) {
    Chaine c({{"&CODE", "&Timer 250", "&QTY", "&Timer", "{ENTER}"}, {}, 1, 0, 0, ".", ""});
    c.emul.Traite("A\rB\r");
    EXPECT_TRUE(c.emul.Occupe());
    EXPECT_EQ(c.Tape(), U""); // 100 ms before typing
    ASSERT_TRUE(c.minuterie.Avance());
    c.minuterie.Tours();
    EXPECT_EQ(c.Tape(), U"A"); // first segment, then its pause
    ASSERT_TRUE(c.minuterie.Avance());
    c.minuterie.Tours();
    EXPECT_EQ(c.Tape(), U"AB");
    EXPECT_EQ(c.port.reinitialisations, 0);
    c.minuterie.Termine();
    EXPECT_EQ(c.minuterie.Delais(), (QList<int>{100, 250, 250, 250})); // after the last too
    EXPECT_EQ(c.clavier.Evenements().back(), "up ENTER");
    EXPECT_EQ(c.port.reinitialisations, 1);
    EXPECT_FALSE(c.emul.Occupe());
}

TEST(TraiteEmul, SegmentsFollowTheMarks) {
    const struct {
        const char* nom;
        QStringList actions;
        QByteArray trame;
        std::u32string tape;
        QList<int> delais;
    } cas[] = {
        {"no mark: one segment, no pause", {"&CODE", "&QTY"}, "A\rB\r", U"AB", {100}},
        {"a leading mark types an empty segment first",
         {"&Timer 300", "&CODE"},
         "A\r",
         U"A",
         {100, 300, 300}},
        {"a mark from a key table value pauses for the last pause set, none yet",
         {"&CODE", "{TIMER}", "&QTY"},
         "A\rB\r",
         U"AB",
         {100}},
    };
    for (const auto& k : cas) {
        Chaine c({k.actions, {}, 1, 0, 0, ".", ""});
        c.emul.Traite(QString::fromLatin1(k.trame));
        c.minuterie.Termine();
        EXPECT_TRUE(c.Tape() == k.tape) << k.nom;
        EXPECT_EQ(c.minuterie.Delais(), k.delais) << k.nom;
        EXPECT_EQ(c.port.reinitialisations, 1) << k.nom;
    }
}

TEST(TraiteEmul, LockMarksActOnceAndAreNotTyped) {
    {
        Chaine c({{"{NUMLOCK}", "&CODE"}, {}, 1, 0, 0, ".", ""});
        c.emul.Traite("123\r");
        c.minuterie.Termine();
        EXPECT_TRUE(c.Tape() == U"123");
        EXPECT_EQ(c.clavier.EtatVerrous(), "locks caps=off num=on scroll=off");
    }
    {
        Chaine c({{"&CODE", "{CAPSLOCK}", "&QTY", "{CAPSLOCK}"}, {}, 1, 0, 0, ".", ""}, false,
                 true);
        c.emul.Traite("a\rb\r");
        c.minuterie.Termine();
        EXPECT_TRUE(c.Tape() == U"ab");
        EXPECT_EQ(c.clavier.EtatVerrous(), "locks caps=off num=off scroll=off");
    }
    ClavierEnregistreur clavier;
    BilanFrappe nonTapees;
    EXPECT_EQ(TraiteMarquesVerrous("{NUMLOCK}1{NUMLOCK}2{CAPSLOCK}", clavier, nonTapees), "12");
    EXPECT_TRUE(nonTapees.nonTapees.empty());
    EXPECT_EQ(clavier.EtatVerrous(), "locks caps=off num=off scroll=off");

    // A keyboard without Num Lock: the mark is still removed, and the key is named among
    // those not typed.
    struct SansVerrNum : ClavierEnregistreur {
        bool Enfonce(const Touche& t) override {
            return t.code != kCodeVerrNum && ClavierEnregistreur::Enfonce(t);
        }
    } sans;
    BilanFrappe manquees;
    EXPECT_EQ(TraiteMarquesVerrous("{NUMLOCK}1{CAPSLOCK}", sans, manquees), "1");
    ASSERT_EQ(manquees.nonTapees.size(), 1u);
    EXPECT_EQ(manquees.nonTapees[0].code, kCodeVerrNum);
}

TEST(TraiteEmul, FileScenariosWriteTheOutputUnchanged) {
    Chaine c({{"&CODE", "&Timer 50", "{NUMLOCK}", "&QTY", "&PASSLIGNE"}, {}, 1, 0, 0, ".", ""});
    const QString compile = CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif);
    EcrireIni("Fichier", "Chemin", c.tr.t.dossier.Chemin("sortie.txt"), compile);
    c.tr.scenario.SortieFichier = true;
    c.emul.Traite("A\rB\r");
    c.minuterie.Termine();
    EXPECT_EQ(c.tr.t.dossier.Lit("sortie.txt"), "A{TIMER}{NUMLOCK}B\r\n");
    EXPECT_TRUE(c.clavier.Evenements().empty());
    EXPECT_EQ(c.minuterie.Delais(), QList<int>{100});
    EXPECT_EQ(c.port.reinitialisations, 1);
}

TEST(TraiteEmul, DeliversAsTheScenarioSaidWhenTheFrameCame) {
    Chaine c({{"&CODE"}, {}, 1, 0, 0, ".", ""});
    const QString compile = CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif);
    EcrireIni("Fichier", "Chemin", c.tr.t.dossier.Chemin("sortie.txt"), compile);
    c.tr.scenario.SortieFichier = true;
    QList<bool> livrees;
    c.emul.termine = [&](bool l) {
        livrees << l;
    };
    c.emul.Traite("A\r");
    // Another scenario is chosen before the output is written.
    c.tr.scenario.SortieFichier = false;
    c.tr.scenario.ScenarioActif = "Autre";
    c.minuterie.Termine();
    EXPECT_EQ(c.tr.t.dossier.Lit("sortie.txt"), "A");
    EXPECT_TRUE(c.clavier.Evenements().empty());
    // A file that cannot be written is reported as not delivered.
    c.tr.scenario = {};
    c.tr.Prepare({{"&CODE"}, {}, 1, 0, 0, ".", ""});
    EcrireIni("Fichier", "Chemin", "/proc/kovra/impossible.txt",
              CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif));
    c.tr.scenario.SortieFichier = true;
    c.emul.Traite("B\r");
    c.minuterie.Termine();
    EXPECT_EQ(livrees, (QList<bool>{true, false}));
}

TEST(TraiteEmul, TheFileHoldingAFrameGoesOnlyOnceItIsDelivered) {
    Chaine c({{"&CODE"}, {}, 1, 0, 0, ".", ""});
    const QString compile = CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif);
    c.tr.scenario.SortieFichier = true;
    const struct {
        const char* sortie;
        bool garde;
    } cas[] = {{"sortie.txt", false}, {"/proc/kovra/impossible.txt", true}};
    for (const auto& k : cas) {
        EcrireIni("Fichier", "Chemin", c.tr.t.dossier.Chemin(k.sortie), compile);
        c.tr.t.dossier.Ecrit("spool.tmp", "A\r");
        c.tr.t.dialogues = {};
        c.emul.Traite("A\r", c.tr.t.dossier.Chemin("spool.tmp"));
        c.minuterie.Termine();
        EXPECT_EQ(QFile::exists(c.tr.t.dossier.Chemin("spool.tmp")), k.garde) << k.sortie;
        EXPECT_EQ(c.tr.t.dialogues.Messages().last().contains("spool.tmp"), k.garde) << k.sortie;
    }
}

TEST(TraiteEmul, AFrameArrivingDuringTypingWaitsItsTurn) {
    Chaine c({{"&INCREMENT", "&CODE", "&Timer 10"}, {}, 1, 0, 0, ".", ""});
    int livrees = 0;
    c.emul.termine = [&](bool) {
        ++livrees;
    };
    c.emul.Traite("A\r");
    c.minuterie.Avance(); // typing the first frame, then its pause
    c.minuterie.Tours();
    c.emul.Traite("B\r");
    EXPECT_TRUE(c.Tape() == U"1A");
    c.minuterie.Termine();
    EXPECT_TRUE(c.Tape() == U"1A2B");
    EXPECT_EQ(livrees, 2);
    EXPECT_EQ(c.port.reinitialisations, 2);
}

TEST(TraiteEmul, PausesBetweenKeystrokesAsTheRegistrySaysForEachFrame) {
    const struct {
        const char* nom;
        QStringList actions;
        int delai;
        std::vector<std::string> evenements;
    } cas[] = {
        {"full speed",
         {"&CODE", "+b"},
         0,
         {"wait 100", "down \"a\"", "up \"a\"", "down SHIFT", "down \"b\"", "up \"b\"",
          "up SHIFT"}},
        {"a pause between keystrokes, none after the last",
         {"&CODE", "+b"},
         30,
         {"wait 100", "down \"a\"", "up \"a\"", "wait 30", "down SHIFT", "down \"b\"", "up \"b\"",
          "up SHIFT"}},
        {"segments stay apart by the pause between keystrokes when it is longer",
         {"&CODE", "&Timer 10", "&CODE"},
         30,
         {"wait 100", "down \"a\"", "up \"a\"", "wait 30", "down \"b\"", "up \"b\"", "wait 10"}},
        {"and by their own pause when it is",
         {"&CODE", "&Timer 50", "&CODE"},
         30,
         {"wait 100", "down \"a\"", "up \"a\"", "wait 50", "down \"b\"", "up \"b\"", "wait 50"}},
    };
    for (const auto& k : cas) {
        Chaine c({k.actions, {}, 0, 0, 0, ".", ""});
        c.minuterie.temoin = &c.clavier;
        c.miroirs.DelaiTouches = k.delai;
        c.emul.Traite(k.actions.size() == 2 ? "a\r" : "a\rb\r");
        c.minuterie.Termine();
        EXPECT_EQ(c.clavier.Evenements(), k.evenements) << k.nom;
    }
    // The pause is the one set when the frame came: a change reaches the next frame.
    Chaine c({{"&CODE"}, {}, 1, 0, 0, ".", ""});
    c.miroirs.DelaiTouches = 20;
    c.emul.Traite("ab\r");
    c.miroirs.DelaiTouches = 0;
    c.minuterie.Termine();
    c.emul.Traite("cd\r");
    c.minuterie.Termine();
    EXPECT_TRUE(c.Tape() == U"abcd");
    EXPECT_EQ(c.minuterie.Delais(), (QList<int>{100, 20, 100}));
}

TEST(CompteOccurrences, CountsOverlappingMatches) {
    EXPECT_EQ(CompteOccurrences("a{TIMER}b{TIMER}", "{TIMER}"), 2);
    EXPECT_EQ(CompteOccurrences("aaaa", "aa"), 3);
    EXPECT_EQ(CompteOccurrences("abc", ""), 0);
    EXPECT_EQ(CompteOccurrences("", "x"), 0);
}

TEST(TrameImport, TurnsEachLineIntoFields) {
    const struct {
        const char* nom;
        QString texte;
        QString separateur;
        QString trame;
    } cas[] = {
        {"fields of a line", "A;B;C\n", ";", "A\rB\rC\r\n"},
        {"a line ending with the separator has no extra field", "A;B;\r\nC;D", ";",
         "A\rB\r\nC\rD\r\n"},
        {"a separator of several characters is replaced whole", "A<>B<B>C", "<>", "A\rB<B>C\r\n"},
        {"lone carriage returns end lines too", "A;1\rB;2\r", ";", "A\r1\r\nB\r2\r\n"},
        {"a blank line is no record", "A\n\n  \nB\n", ";", "A\r\nB\r\n"},
        {"no separator: one field a line", "A;B\n", "", "A;B\r\n"},
        {"nothing", "", ";", ""},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(TrameImport(c.texte, c.separateur), c.trame) << c.nom;
    }
}

TEST(TraiteEmul, AnImportGoesThroughTheScenarioWithoutTouchingThePort) {
    Chaine c({{"&CODE", "{TAB}", "&QTY", "{ENTER}"}, {}, 1, 0, 0, ".", ""});
    c.emul.Traite(DemandeTraitement{TrameImport("A;1\nB;2\n", ";"), {}, nullptr, false});
    c.minuterie.Termine();
    EXPECT_TRUE(c.Tape() == U"A1B2");
    EXPECT_EQ(c.port.reinitialisations, 0);
}

TEST(TraiteEmul, AFrameThatCannotBeTypedIsKeptAndNamed) {
    // No session to type into, as without an X11 display.
    Chaine c({{"&CODE", "{TAB}", "&QTY"}, {}, 1, 0, 0, ".", ""});
    TraiteEmul sansClavier{{c.tr.t.env, c.tr.scenario, c.tr.etat, c.touches, c.miroirs,
                            []() -> ClavierVirtuel& {
                                throw ErreurKovra("Impossible d'ouvrir l'affichage X11 : la "
                                                  "frappe demande une session X11.");
                            },
                            c.minuterie, c.progression, nullptr}};
    QList<bool> livrees;
    sansClavier.termine = [&](bool l) {
        livrees << l;
    };
    sansClavier.Traite("A1\r12\r");
    c.minuterie.Termine();
    EXPECT_EQ(livrees, QList<bool>{false});
    const QStringList gardes = QDir(c.tr.t.donnees).entryList({"nonlivree-*.tmp"});
    ASSERT_EQ(gardes.size(), 1);
    EXPECT_EQ(c.tr.t.dossier.Lit("donnees/" + gardes[0]), "A1\r12\r");
    const QStringList messages = c.tr.t.dialogues.Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("session X11"));
    EXPECT_TRUE(messages[1].contains(gardes[0]));
}

TEST(TraiteEmul, AFrameTheLayoutCannotTypeWholeIsNotBegunButKept) {
    // Typing through the user's layout (KDE, GNOME): a character it lacks anywhere in the
    // frame, even after a pause, stops the frame before its first key.
    const QStringList cas[] = {{"&CODE", "{TAB}", "&QTY", "{ENTER}"}, {"&CODE", "{TIMER}", "&QTY"}};
    for (const QStringList& actions : cas) {
        SCOPED_TRACE(actions.join(' ').toStdString());
        Chaine c({actions, {}, 1, 0, 0, ".", ""});
        c.clavier.LimiteA("us", U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
        QList<bool> livrees;
        c.emul.termine = [&](bool l) {
            livrees << l;
        };
        c.emul.Traite(QString::fromUtf8("Aé1\r1œ2\r"));
        c.minuterie.Termine();
        EXPECT_EQ(livrees, QList<bool>{false});
        EXPECT_TRUE(c.clavier.Evenements().empty());
        const QStringList messages = c.tr.t.dialogues.Messages();
        ASSERT_EQ(messages.size(), 2);
        EXPECT_EQ(messages[0],
                  QString::fromUtf8("La disposition du clavier « us » ne permet pas de "
                                    "taper : %1. Rien n'a été tapé.")
                      .arg(QString::fromUtf8("é, œ")));
        const QStringList gardes = QDir(c.tr.t.donnees).entryList({"nonlivree-*.tmp"});
        ASSERT_EQ(gardes.size(), 1);
        EXPECT_TRUE(messages[1].contains(gardes[0]));
    }
}

namespace {

// The files of the data folder keeping frames that were not delivered, and what they hold.
QList<QByteArray> Gardees(const Chaine& c) {
    QList<QByteArray> gardees;
    for (const QString& nom : QDir(c.tr.t.donnees).entryList({"nonlivree-*.tmp"})) {
        gardees << c.tr.t.dossier.Lit("donnees/" + nom);
    }
    return gardees;
}

} // namespace

TEST(TraiteEmul, AFrameWhoseCounterOrScenarioIsMissingIsKeptWithTheReason) {
    const struct {
        const char* nom;
        bool fichier; // a file scenario
        std::function<void(Chaine&)> prepare;
        const char* raison;
    } cas[] = {
        {"counter holding text", false,
         [](Chaine& c) {
             kovra::test::ExecuteSql(c.tr.t.Chemin(kScenDb), {"UPDATE Increment SET NunInc='abc'"});
         },
         "13 Incompatibilité de type"},
        {"counter Null", false,
         [](Chaine& c) {
             kovra::test::ExecuteSql(c.tr.t.Chemin(kScenDb), {"UPDATE Increment SET NunInc=NULL"});
         },
         "94 Utilisation incorrecte de Null"},
        {"counter past 32767", true,
         [](Chaine& c) {
             kovra::test::ExecuteSql(c.tr.t.Chemin(kScenDb), {"UPDATE Increment SET NunInc=40000"});
         },
         "6 Dépassement de capacité"},
        {"database gone", false, [](Chaine& c) { QFile::remove(c.tr.t.Chemin(kScenDb)); },
         "le compteur repartirait de 1"},
        {"compiled scenario gone", true,
         [](Chaine& c) {
             QFile::remove(CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif));
         },
         "Le scénario compilé"},
        // What loading leaves when no scenario is chosen, or the chosen one cannot be loaded.
        {"no scenario chosen", true, [](Chaine& c) { c.tr.scenario.ScenarioActif.clear(); },
         "Aucun scénario n'est choisi"},
        {"scenario without actions", false,
         [](Chaine& c) {
             c.tr.Prepare({{}, {}, 0, 0, 0, ".", ""});
         },
         "n'a aucune action"},
    };
    for (const auto& k : cas) {
        Chaine c({{"&INCREMENT", "&CODE"}, {}, 1, 0, 0, ".", ""});
        const QString sortie = c.tr.t.dossier.Chemin("sortie.txt");
        if (k.fichier) {
            EcrireIni("Fichier", "Chemin", sortie,
                      CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif));
            c.tr.scenario.SortieFichier = true;
        }
        const bool baseAvant = QFile::exists(c.tr.t.Chemin(kScenDb));
        k.prepare(c);
        QList<bool> livrees;
        c.emul.termine = [&](bool l) {
            livrees << l;
        };
        c.emul.Traite("A\r");
        c.minuterie.Termine();
        EXPECT_EQ(livrees, QList<bool>{false}) << k.nom;
        EXPECT_TRUE(c.clavier.Evenements().empty()) << k.nom;
        EXPECT_FALSE(QFile::exists(sortie)) << k.nom;
        EXPECT_EQ(Gardees(c), QList<QByteArray>{"A\r"}) << k.nom;
        const QStringList messages = c.tr.t.dialogues.Messages();
        ASSERT_EQ(messages.size(), 2) << k.nom;
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(k.raison))) << messages[0].toStdString();
        EXPECT_FALSE(messages[0].contains("erreur d'écriture")) << k.nom;
        EXPECT_TRUE(messages[1].contains("nonlivree-")) << k.nom;
        EXPECT_EQ(c.port.reinitialisations, 1) << k.nom;
        // A database that went away is not made again, empty, behind the user's back.
        EXPECT_EQ(QFile::exists(c.tr.t.Chemin(kScenDb)),
                  baseAvant && QByteArray(k.nom) != "database gone")
            << k.nom;
    }
}

TEST(TraiteEmul, AFrameThatCannotBeKeptEitherLeavesNoEmptyFileAndTheReasonIsGiven) {
    Chaine c({{"&CODE"}, {}, 1, 0, 0, ".", ""});
    QFile::remove(CheminScenario(c.tr.t.donnees, c.tr.scenario.ScenarioActif));
    QList<bool> livrees;
    c.emul.termine = [&](bool l) {
        livrees << l;
    };
    {
        kovra::test::LimiteTailleFichier plein(0); // as a full disk
        c.emul.Traite("A\r");
        c.minuterie.Termine();
    }
    EXPECT_EQ(livrees, QList<bool>{false});
    EXPECT_TRUE(QDir(c.tr.t.donnees).entryList({"nonlivree-*"}).isEmpty());
    const QStringList messages = c.tr.t.dialogues.Messages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("n'ont pas pu être conservées")) << messages[1].toStdString();
    EXPECT_TRUE(messages[1].contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
        << messages[1].toStdString();
}

TEST(TraiteEmul, ALockedDatabaseIsWaitedForOnATimerWithoutHoldingTheLoop) {
    {
        // Released within the wait: the frame goes through with its counter.
        Chaine c({{"&INCREMENT", "&CODE"}, {}, 1, 0, 0, ".", ""});
        BaseScen(c.tr.t.Chemin(kScenDb)).EcritCompteur(41);
        kovra::test::VerrouBaseTest autre(c.tr.t.Chemin(kScenDb), "BEGIN IMMEDIATE");
        QList<bool> livrees;
        c.emul.termine = [&](bool l) {
            livrees << l;
        };
        c.emul.Traite("A\r");
        EXPECT_TRUE(c.emul.Occupe());
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(c.minuterie.Avance());
        }
        EXPECT_EQ(c.minuterie.Delais(), (QList<int>{kReessaiCompteur, kReessaiCompteur,
                                                    kReessaiCompteur, kReessaiCompteur}));
        c.emul.Traite("B\r"); // waits its turn
        autre.Libere();
        c.minuterie.Termine();
        EXPECT_TRUE(c.Tape() == U"41A42B");
        EXPECT_EQ(livrees, (QList<bool>{true, true}));
        EXPECT_EQ(BaseScen(c.tr.t.Chemin(kScenDb)).LitCompteur(), qint16(43));
        EXPECT_TRUE(c.tr.t.dialogues.Messages().isEmpty());
    }
    {
        // Held past the wait: the frame is kept, undelivered, and the next one goes on.
        Chaine c({{"&INCREMENT", "&CODE"}, {}, 1, 0, 0, ".", ""});
        BaseScen(c.tr.t.Chemin(kScenDb)).EcritCompteur(41);
        auto autre = std::make_unique<kovra::test::VerrouBaseTest>(c.tr.t.Chemin(kScenDb),
                                                                   "BEGIN EXCLUSIVE");
        QList<bool> livrees;
        c.emul.termine = [&](bool l) {
            livrees << l;
            autre.reset();
        };
        c.emul.Traite("A\r");
        c.emul.Traite("B\r");
        c.minuterie.Termine();
        EXPECT_EQ(livrees, (QList<bool>{false, true}));
        EXPECT_TRUE(c.Tape() == U"41B");
        // Asked again all along the wait, then B before it is typed.
        QList<int> delais(kAttenteCompteur / kReessaiCompteur, kReessaiCompteur);
        delais << kAvantFrappe;
        EXPECT_EQ(c.minuterie.Delais(), delais);
        EXPECT_EQ(Gardees(c), QList<QByteArray>{"A\r"});
        const QStringList messages = c.tr.t.dialogues.Messages();
        ASSERT_EQ(messages.size(), 2);
        EXPECT_TRUE(messages[0].contains("verrouillée par un autre programme"));
        EXPECT_TRUE(messages[0].contains(c.tr.t.Chemin(kScenDb)));
        EXPECT_TRUE(messages[1].contains("nonlivree-"));
    }
}

TEST(TraiteEmul, TheTerminalsFieldsAreTypedAsTheirCharactersUnlessTheSiteSaysOtherwise) {
    // Code 39 and Code 128 barcodes hold the signs of the key syntax.
    const QString trame = QStringLiteral("A1%8+x(y)~z\r{F5}^{}\r{B 0}\r");
    const struct {
        bool champsTouches;
        std::u32string caracteres;
        std::vector<std::string> nommees; // the named keys and modifiers pressed, in order
    } cas[] = {
        {false, U"A1%8+x(y)~z{F5}^{}{B 0}", {"ENTER", "ENTER", "ENTER"}},
        // As the fields always were: Alt+8, Shift+x, Enter..., F5, Ctrl; and the third
        // field would stop typing, so the frame is refused whole.
        {true, U"", {}},
    };
    for (const auto& k : cas) {
        Chaine c({{"&CODE", "{ENTER}"}, {}, 1, 0, 0, ".", ""});
        c.miroirs.ChampsTouches = k.champsTouches;
        c.emul.Traite(trame);
        c.minuterie.Termine();
        EXPECT_TRUE(c.Tape() == k.caracteres) << k.champsTouches;
        std::vector<std::string> nommees;
        for (const std::string& e : c.clavier.Evenements()) {
            if (e.rfind("down ", 0) == 0 && e.find('"') == std::string::npos) {
                nommees.push_back(e.substr(5));
            }
        }
        EXPECT_EQ(nommees, k.nommees) << k.champsTouches;
    }
    Chaine c({{"&CODE", "{ENTER}"}, {}, 1, 0, 0, ".", ""});
    c.miroirs.ChampsTouches = true;
    c.emul.Traite(QStringLiteral("%8+x(y)~z\r{F5}\r"));
    c.minuterie.Termine();
    EXPECT_TRUE(c.Tape() == U"8xyz");
    EXPECT_EQ(c.clavier.Evenements().front(), "down ALT");
    EXPECT_NE(std::find(c.clavier.Evenements().begin(), c.clavier.Evenements().end(), "down F5"),
              c.clavier.Evenements().end());
}

TEST(TraiteEmul, AKeyStringThatWouldStopBeforeItsEndIsRefusedWhole) {
    const struct {
        QByteArray trame;
        const char* message; // none: typed
    } cas[] = {
        {"a{B 40000}c\r", "La chaîne de touches s'arrête à « {B 40000} »"},
        {"a{B 0}c\r", "La chaîne de touches s'arrête à « {B 0} »"},
        {"a{TAB x}c\r", "« {TAB x} » : le nombre de répétitions"},
        {"ab{c\r", "« {c » : l'accolade n'est pas fermée"},
        {"a{B 2}c\r", nullptr},
    };
    for (const auto& k : cas) {
        Chaine c({{"&CODE"}, {}, 1, 0, 0, ".", ""});
        c.miroirs.ChampsTouches = true; // the terminal's fields are key strings here
        QList<bool> livrees;
        c.emul.termine = [&](bool l) {
            livrees << l;
        };
        c.emul.Traite(QString::fromLatin1(k.trame));
        c.minuterie.Termine();
        const QStringList messages = c.tr.t.dialogues.Messages();
        if (k.message == nullptr) {
            EXPECT_TRUE(c.Tape() == U"aBBc");
            EXPECT_EQ(livrees, QList<bool>{true});
            EXPECT_TRUE(messages.isEmpty());
            continue;
        }
        EXPECT_TRUE(c.clavier.Evenements().empty()) << k.trame.toStdString();
        EXPECT_EQ(livrees, QList<bool>{false}) << k.trame.toStdString();
        EXPECT_EQ(Gardees(c), QList<QByteArray>{k.trame});
        ASSERT_EQ(messages.size(), 2) << k.trame.toStdString();
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(k.message)))
            << messages[0].toStdString();
    }
}
