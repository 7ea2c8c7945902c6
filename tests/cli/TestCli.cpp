#include "base/Version.h"
#include "cli/Cli.h"
#include "link/ReglagesPort.h"
#include "storage/Registre.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "transfer/TerminalSubstitut.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

using namespace kovra;
using kovra::test::DossierDefauts;
using kovra::test::DossierTest;

namespace {

struct Resultat {
    int statut;
    QString sortie;
    QString erreurs;
};

// Runs command lines against one data folder and one private registry.
struct Cli {
    DossierTest d;
    Registre registre{d.Chemin("registre")};
    QByteArray entree; // standard input of the next command

    Resultat operator()(QStringList arguments) {
        QString sortie;
        QString erreurs;
        QTextStream so(&sortie);
        QTextStream se(&erreurs);
        arguments.prepend(d.Chemin("donnees"));
        arguments.prepend("--dir");
        QBuffer in(&entree);
        in.open(QIODevice::ReadOnly);
        const int statut = ExecuteCli(arguments, so, se, in, registre, DossierDefauts());
        so.flush();
        se.flush();
        return {statut, sortie, erreurs};
    }
};

// One command line, its exit status and what it prints; a failure prints a message, a
// success none.
struct Etape {
    QStringList arguments;
    int statut;
    const char* sortie;
};

void Deroule(Cli& cli, const std::vector<Etape>& etapes) {
    for (const Etape& e : etapes) {
        const Resultat r = cli(e.arguments);
        const std::string ligne = e.arguments.join(' ').toStdString();
        EXPECT_EQ(r.statut, e.statut) << ligne << "\n" << r.erreurs.toStdString();
        EXPECT_EQ(r.sortie, QString::fromUtf8(e.sortie)) << ligne;
        EXPECT_EQ(r.erreurs.isEmpty(), e.statut == 0) << ligne << "\n" << r.erreurs.toStdString();
    }
}

} // namespace

TEST(KovraCli, ScenarioCommandsWorkOnAFreshDataFolder) {
    Cli cli;
    Deroule(
        cli,
        {
            {{"scenario", "list"}, 0, ""},
            {{"scenario", "create", "L'entrée", "--type", "Emulation"}, 0, "1\n"},
            {{"scenario", "create", "Sortie", "--type=Fichier", "--path", "/tmp/s.txt", "--partial",
              "3", "--numbered"},
             0,
             "2\n"},
            {{"scenario", "add", "L'entrée", "&CODE"}, 0, "1\n"},
            {{"scenario", "add", "L'entrée", "{TAB}"}, 0, "2\n"},
            {{"scenario", "add", "L'entrée", "&QTY", "--place", "2"}, 0, "3\n"},
            {{"scenario", "loop", "L'entrée", "1"}, 0, ""},
            {{"scenario", "start", "L'entrée", "2"}, 0, ""},
            {{"export", "L'entrée"}, 0, ""},
            {{"ini", "get", "Scenarios/L'entrée.ini", "Ligne", "Champs"}, 0, "&CODE@{TAB}@&QTY@\n"},
            {{"ini", "get", "Scenarios/L'entrée.ini", "Trame", "Trame"}, 0, "2@\n"},
            {{"ini", "get", "Scenarios/L'entrée.ini", "Boucle", "Index"}, 0, "1\n"},
            {{"ini", "get", "Scenarios/L'entrée.ini", "Depart", "Index"}, 0, "2\n"},
            {{"export", "Sortie"}, 0, ""},
            {{"ini", "get", "Scenarios/Sortie.ini", "Fichier", "Chemin"}, 0, "/tmp/s.txt\n"},
            {{"ini", "get", "Scenarios/Sortie.ini", "Partiel", "Nbr"}, 0, "3\n"},
            {{"ini", "get", "Scenarios/Sortie.ini", "Mat", "Specif"}, 0, "1\n"},
            {{"scenario", "list"}, 0, "L'entrée\nSortie\n"},
            {{"export", "Absent"}, 1, ""},
            {{"scenario", "add", "Absent", "&CODE"}, 1, ""},
            {{"scenario", "create", "a/b", "--type", "Fichier"}, 1, ""},
            {{"scenario", "create", "X"}, 2, ""},
            {{"scenario", "create", "X", "--type", "Fichier", "--partial", "zéro"}, 2, ""},
            {{"scenario", "loop", "Sortie", "un"}, 2, ""},
            {{"scenario", "create", "X", "--type", "Fichier", "--bogus"}, 2, ""},
            {{"scenario", "list", "trop"}, 2, ""},
        });
}

TEST(KovraCli, EditorCommandsShowSetInsertAndRemoveActions) {
    Cli cli;
    cli({"scenario", "create", "Saisie", "--type", "Emulation", "--partial", "4"});
    cli({"scenario", "create", "Vide", "--type", "Fichier"});
    for (const char* a : {"&CODE", "{TAB}", "&QTY", "{ENTER}"}) {
        QStringList ligne = {"scenario", "add", "Saisie", QString::fromUtf8(a)};
        if (a[0] == '&') {
            ligne << "--place"
                  << "1";
        }
        ASSERT_EQ(cli(ligne).statut, 0);
    }
    cli({"scenario", "loop", "Saisie", "3"});
    const char* apres = "--- &EMP\n--- &CODE\n--- l'article\n--- &QTY\n--- {ENTER}\n"
                        "--- &Timer 500\n\nBoucle : 3\nDépart : 0\n";
    Deroule(cli, {
                     {{"scenario", "show", "Vide"}, 0, ""},
                     {{"scenario", "show", "Saisie"},
                      0,
                      "--- &CODE\n--- {TAB}\n--- &QTY\n--- {ENTER}\n\nBoucle : 3\nDépart : 0\n"},
                     {{"scenario", "insert", "Saisie", "1", "&EMP", "--place", "4"}, 0, ""},
                     {{"scenario", "set", "Saisie", "3", "l'article", "--place", "0"}, 0, ""},
                     {{"scenario", "insert", "Saisie", "6", "--", "&Timer 500"}, 0, ""},
                     {{"scenario", "insert", "Saisie", "8", "trop loin"}, 1, ""},
                     {{"scenario", "set", "Saisie", "2", "a@b"}, 1, ""},
                     {{"scenario", "set", "Saisie", "2", "Łódź"}, 1, ""},
                     {{"scenario", "set", "Saisie", "2", "x", "--place", "40000"}, 2, ""},
                     // Only an action that takes a field has a place.
                     {{"scenario", "set", "Saisie", "2", "x", "--place", "3"}, 2, ""},
                     {{"scenario", "insert", "Saisie", "2", "{TAB}", "--place", "2"}, 2, ""},
                     {{"scenario", "add", "Saisie", "&DATE", "--place", "2"}, 2, ""},
                     {{"scenario", "add", "Vide", "&TAB", "--place", "1"}, 2, ""},
                     {{"scenario", "remove", "Saisie", "0"}, 2, ""},
                     {{"scenario", "remove", "Saisie", "deux"}, 2, ""},
                     {{"scenario", "remove", "Vide", "1"}, 1, ""},
                     {{"scenario", "remove", "Absent", "1"}, 1, ""},
                     {{"scenario", "show", "Saisie"}, 0, apres},
                     // The database only: the compiled file follows at the export.
                     {{"export", "Saisie"}, 0, ""},
                     {{"scenario", "remove", "Saisie", "2"}, 0, ""},
                     {{"ini", "get", "Scenarios/Saisie.ini", "Ligne", "Champs"},
                      0,
                      "&EMP@&CODE@l'article@&QTY@{ENTER}@&Timer 500@\n"},
                     {{"ini", "get", "Scenarios/Saisie.ini", "Trame", "Trame"}, 0, "4@1@1@\n"},
                     {{"export", "Saisie"}, 0, ""},
                     {{"ini", "get", "Scenarios/Saisie.ini", "Ligne", "Champs"},
                      0,
                      "&EMP@l'article@&QTY@{ENTER}@&Timer 500@\n"},
                     {{"ini", "get", "Scenarios/Saisie.ini", "Boucle", "Index"}, 0, "3\n"},
                 });
}

TEST(KovraCli, AFieldEditedIntoAnotherActionGivesItsPlaceUp) {
    Cli cli;
    cli({"scenario", "create", "Partiel", "--type", "Fichier", "--partial", "3"});
    cli({"scenario", "add", "Partiel", "&CODE", "--place", "3"});
    cli({"scenario", "add", "Partiel", "&QTY", "--place", "1"});
    cli({"scenario", "add", "Partiel", "&EMP", "--place", "2"});
    const auto trame = [&] {
        EXPECT_EQ(cli({"export", "Partiel"}).statut, 0);
        return cli({"ini", "get", "Scenarios/Partiel.ini", "Trame", "Trame"}).sortie;
    };
    ASSERT_EQ(trame(), "3@1@2@\n");
    const struct {
        QStringList arguments;
        const char* trame;
    } cas[] = {
        {{"scenario", "set", "Partiel", "1", "TXT"}, "1@2@\n"},   // no longer a field
        {{"scenario", "set", "Partiel", "1", "&CODE"}, "1@2@\n"}, // a field, no place yet
        {{"scenario", "set", "Partiel", "1", "&CODE", "--place", "3"}, "3@1@2@\n"},
        {{"scenario", "set", "Partiel", "2", "&Timer 50"}, "3@2@\n"}, // a token, not a field
        {{"scenario", "set", "Partiel", "3", "&DATE", "--place", "0"}, "3@\n"},
    };
    for (const auto& c : cas) {
        const Resultat r = cli(c.arguments);
        EXPECT_EQ(r.statut, 0) << r.erreurs.toStdString();
        EXPECT_EQ(trame(), c.trame) << c.arguments.join(' ').toStdString();
    }
    const Resultat refus = cli({"scenario", "insert", "Partiel", "1", "TXT", "--place", "3"});
    EXPECT_EQ(refus.statut, 2);
    EXPECT_TRUE(refus.erreurs.contains("--place")) << refus.erreurs.toStdString();
    EXPECT_EQ(cli({"scenario", "create", "Łódź", "--type", "Fichier"}).statut, 1);
}

TEST(KovraCli, DeletingAScenarioClearsWhatNamesIt) {
    Cli cli;
    cli({"scenario", "create", "Inv", "--type", "Emulation"});
    cli({"scenario", "create", "Autre", "--type", "Emulation"});
    cli({"scenario", "add", "Inv", "&CODE"});
    cli({"export", "Inv"});
    cli({"registry", "set", "RacScenChx", "Inv"});
    cli({"registry", "set", "RacInvent", "Inv"});
    cli({"registry", "set", "RacCde", "Autre"});
    ASSERT_TRUE(QFile::exists(cli.d.Chemin("donnees/Scenarios/Inv.ini")));

    EXPECT_EQ(cli({"scenario", "delete", "Inv"}).statut, 0);
    EXPECT_FALSE(QFile::exists(cli.d.Chemin("donnees/Scenarios/Inv.ini")));
    EXPECT_EQ(cli({"scenario", "list"}).sortie, "Autre\n");
    EXPECT_EQ(cli({"registry", "get", "RacScenChx"}).sortie, "\n");
    EXPECT_EQ(cli({"registry", "get", "RacInvent"}).sortie, "\n");
    EXPECT_EQ(cli({"registry", "get", "RacCde"}).sortie, "Autre\n");
    // Its actions went with it: a new scenario taking its number starts empty.
    cli({"scenario", "create", "Nouveau", "--type", "Emulation"});
    cli({"export", "Nouveau"});
    EXPECT_EQ(cli({"ini", "get", "Scenarios/Nouveau.ini", "Ligne", "Champs"}).sortie, "\n");
}

TEST(KovraCli, IniAndRegistryCommands) {
    Cli cli;
    const QString absolu = cli.d.Chemin("ailleurs.ini");
    Deroule(cli, {
                     {{"ini", "get", "PortSerie.ini", "port_série", "PORTACTIF"}, 0, "1\n"},
                     {{"ini", "set", "PortSerie.ini", "Port_série", "Port", " 3"}, 0, ""},
                     {{"ini", "get", "PortSerie.ini", "Port_série", "Port"}, 0, "3\n"},
                     {{"ini", "clear", "PortSerie.ini", "Port_série", "Port"}, 0, ""},
                     {{"ini", "get", "PortSerie.ini", "Port_série", "Port"}, 0, "\n"},
                     {{"ini", "set", absolu, "S", "K", "V"}, 0, ""},
                     {{"ini", "get", absolu, "s", "k"}, 0, "V\n"},
                     {{"ini", "get", "absent.ini", "S", "K"}, 0, "\n"},
                     {{"ini", "set", "pas/de/dossier.ini", "S", "K", "V"}, 1, ""},
                     {{"ini", "get", "PortSerie.ini", "Port_série"}, 2, ""},
                     {{"registry", "get", "SepDec"}, 0, "\n"},
                     {{"registry", "set", "SepDec", ","}, 0, ""},
                     {{"registry", "get", "SepDec"}, 0, ",\n"},
                     {{"registry", "get", "Autre"}, 2, ""},
                     {{"registry", "set", "MDPUTL"}, 2, ""},
                     {{"registry", "get", "DelaiTouches"}, 0, "\n"},
                     {{"registry", "set", "DelaiTouches", "250"}, 0, ""},
                     {{"registry", "get", "DelaiTouches"}, 0, "250\n"},
                     {{"registry", "set", "DelaiTouches", "0040"}, 0, ""},
                     {{"registry", "get", "DelaiTouches"}, 0, "40\n"},
                     // A pause a reading would not take as meant is refused, and the one
                     // stored stays.
                     {{"registry", "set", "DelaiTouches", "1001"}, 2, ""},
                     {{"registry", "set", "DelaiTouches", "-1"}, 2, ""},
                     {{"registry", "set", "DelaiTouches", "12.5"}, 2, ""},
                     {{"registry", "set", "DelaiTouches", "lent"}, 2, ""},
                     {{"registry", "get", "DelaiTouches"}, 0, "40\n"},
                     {{"registry", "set", "DelaiTouches", ""}, 0, ""},
                     {{"registry", "get", "DelaiTouches"}, 0, "\n"},
                     {{"registry", "set", "ChampsTouches", "1"}, 0, ""},
                     {{"registry", "set", "ChampsTouches", "oui"}, 2, ""},
                     {{"registry", "set", "ChampsTouches", "2"}, 2, ""},
                     {{"registry", "get", "ChampsTouches"}, 0, "1\n"},
                     {{"registry", "set", "ChampsTouches", "0"}, 0, ""},
                     {{"registry", "get", "ChampsTouches"}, 0, "0\n"},
                 });
    EXPECT_TRUE(QFile::exists(cli.d.Chemin("registre/Ruduvo/Vove.conf")));
}

TEST(KovraCli, ProcessRunsAFrameThroughACompiledScenario) {
    Cli cli;
    cli({"scenario", "create", "Réception", "--type", "Emulation"});
    for (const char* a : {"&INCREMENT", "&CODE", "{TAB}", "&QTY", "{ENTER}"}) {
        cli({"scenario", "add", "Réception", QString::fromUtf8(a)});
    }
    cli({"scenario", "loop", "Réception", "2"});
    cli({"registry", "set", "SepDec", ","});
    cli.d.Ecrit("trame.txt", "Caf\xE9\r\n12.50\r\nTh\xE9\r\n3\r\n");
    Deroule(
        cli,
        {
            {{"process", "--scenario", "Réception"}, 1, ""}, // not compiled yet
            {{"export", "Réception"}, 0, ""},
            {{"process", "--scenario", "Réception", "--frame", cli.d.Chemin("trame.txt")},
             0,
             "1Café{TAB}12,50{ENTER}Thé{TAB}3{ENTER}"},
            {{"process", "--scenario", "Réception", "--frame", cli.d.Chemin("absente.txt")}, 1, ""},
            {{"process"}, 2, ""},
        });
    // Standard input, and the counter moved on by one per frame.
    cli.entree = "X\rY\r";
    EXPECT_EQ(cli({"process", "--scenario", "Réception"}).sortie, "2X{TAB}Y{ENTER}");
}

TEST(KovraCli, KeysPrintsEveryKeyEventAndTheLocks) {
    Cli cli;
    Deroule(cli, {
                     {{"keys", "+a~"},
                      0,
                      "down SHIFT\ndown \"a\"\nup \"a\"\nup SHIFT\ndown ENTER\nup ENTER\n"
                      "locks caps=off num=off scroll=off\n"},
                     {{"keys", "--caps", "--wait", "2", "{bs} "},
                      0,
                      "down CAPSLOCK\nup CAPSLOCK\ndown BS\nup BS\ndown \" \"\nup \" \"\n"
                      "locks caps=off num=off scroll=off\n"},
                     {{"keys", "--alt-codes", "--num", "é"},
                      0,
                      "down NUMLOCK\nup NUMLOCK\ndown NUMLOCK\nup NUMLOCK\ndown ALT\ndown "
                      "NUMPAD1\nup NUMPAD1\n"
                      "down NUMPAD3\nup NUMPAD3\ndown NUMPAD0\nup NUMPAD0\nup ALT\ndown "
                      "NUMLOCK\nup NUMLOCK\n"
                      "down NUMLOCK\nup NUMLOCK\nlocks caps=off num=on scroll=off\n"},
                     {{"keys", "--", "--"},
                      0,
                      "down \"-\"\nup \"-\"\ndown \"-\"\nup \"-\"\n"
                      "locks caps=off num=off scroll=off\n"},
                     {{"keys", "--wait", "x", "a"}, 2, ""},
                     // A string that would stop before its end is refused whole.
                     {{"keys", "a{B 40000}c"}, 1, ""},
                 });
    EXPECT_TRUE(cli({"keys", "a{B 40000}c"})
                    .erreurs.contains("La chaîne de touches s'arrête à « {B 40000} » : le nombre "
                                      "de répétitions doit être un nombre de 1 à 32767."));
}

namespace {

// A compiled keystroke scenario "Compteur": the counter, then the first field.
void ScenarioCompteur(Cli& cli) {
    cli({"scenario", "create", "Compteur", "--type", "Emulation"});
    cli({"scenario", "add", "Compteur", "&INCREMENT"});
    cli({"scenario", "add", "Compteur", "&CODE"});
    cli({"export", "Compteur"});
}

} // namespace

TEST(KovraCli, AnUnreadableCounterGivesNoOutput) {
    Cli cli;
    ScenarioCompteur(cli);
    kovra::test::ExecuteSql(cli.d.Chemin("donnees/Scen.db"), {"UPDATE Increment SET NunInc='x'"});
    cli.entree = "A\r";
    const Resultat r = cli({"process", "--scenario", "Compteur"});
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.sortie, "");
    EXPECT_TRUE(r.erreurs.contains("13 Incompatibilité de type")) << r.erreurs.toStdString();
}

TEST(KovraCli, ListenSaysWhyItCannotLockTheDataFolder) {
    Cli cli;
    cli({"scenario", "list"}); // the data folder, complete
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", cli.d.Chemin("registre"));
    p.setProcessEnvironment(env);
    // No file may grow, as on a full disk.
    p.start("sh", {"-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" --dir \"$1\" listen",
                   KOVRA_CLI_EXE, cli.d.Chemin("donnees")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);
    const QString erreurs = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_FALSE(erreurs.contains("déjà active")) << erreurs.toStdString();
    EXPECT_TRUE(erreurs.contains("Kovra ne peut pas écrire dans son dossier de données " +
                                 cli.d.Chemin("donnees") + " ("))
        << erreurs.toStdString();
    EXPECT_FALSE(QFile::exists(cli.d.Chemin("donnees/kovra.lock")));
}

TEST(KovraCli, ProcessDeliversToTheScenariosFile) {
    Cli cli;
    const QString sortie = cli.d.Chemin("sorties/Stock.txt");
    cli({"scenario", "create", "Stock", "--type", "Fichier", "--path", sortie, "--numbered"});
    cli({"scenario", "add", "Stock", "&CODE"});
    cli({"scenario", "add", "Stock", "&PASSLIGNE"});
    cli({"export", "Stock"});
    for (int i = 0; i < 2; ++i) {
        cli.entree = "A\rB\r";
        const Resultat r = cli({"process", "--scenario", "Stock", "--deliver"});
        EXPECT_EQ(r.statut, 0);
        EXPECT_EQ(r.sortie, "");
    }
    EXPECT_EQ(cli.d.Lit("sorties/Stock.txt"), "A\r\nB\r\n");
    EXPECT_EQ(cli.d.Lit("sorties/Stock1.txt"), "A\r\nB\r\n");
    // A file that cannot be written fails the command.
    cli({"scenario", "create", "Perdu", "--type", "Fichier", "--path", "/proc/kovra/x.txt"});
    cli({"scenario", "add", "Perdu", "&CODE"});
    cli({"export", "Perdu"});
    cli.entree = "A\r";
    EXPECT_EQ(cli({"process", "--scenario", "Perdu", "--deliver"}).statut, 1);
}

TEST(KovraCli, ScenarioTestWritesTheTestedScenariosFileOnly) {
    Cli cli;
    const QString choisi = cli.d.Chemin("choisi.txt");
    const QString teste = cli.d.Chemin("teste.txt");
    cli({"scenario", "create", "Choisi", "--type", "Fichier", "--path", choisi});
    cli({"scenario", "add", "Choisi", "&CODE"});
    cli({"export", "Choisi"});
    cli({"registry", "set", "RacScenChx", "Choisi"});
    cli({"scenario", "create", "Teste", "--type", "Fichier", "--path", teste, "--partial", "3"});
    cli({"scenario", "add", "Teste", "&QTY", "--place", "3"});
    cli({"scenario", "add", "Teste", "&TAB"});
    cli({"scenario", "add", "Teste", "&CODE", "--place", "1"});
    cli({"scenario", "add", "Teste", "&PASSLIGNE"});
    cli({"scenario", "loop", "Teste", "1"});
    QStringList valeurs;
    for (const char* v : {"5", "A", "6", "B", "7", "C"}) {
        valeurs << "--value" << v;
    }
    const Resultat essai = cli(QStringList{"scenario", "test", "Teste"} + valeurs);
    EXPECT_EQ(essai.statut, 0) << essai.erreurs.toStdString();
    EXPECT_EQ(essai.sortie, "");
    // The file writer tells where the file went, as after a transfer.
    EXPECT_TRUE(essai.erreurs.contains(teste + " : généré")) << essai.erreurs.toStdString();
    Deroule(cli, {
                     // Too many values: refused before anything is delivered.
                     {QStringList{"scenario", "test", "Teste"} + valeurs + valeurs, 2, ""},
                     {{"scenario", "test", "Absent"}, 1, ""},
                     {{"scenario", "test", "Teste", "--valeur", "x"}, 2, ""},
                 });
    // The fourth record had no values given: empty fields.
    EXPECT_EQ(cli.d.Lit("teste.txt"), "5\tA\r\n6\tB\r\n7\tC\r\n\t\r\n");
    EXPECT_FALSE(QFile::exists(choisi));
    EXPECT_EQ(cli({"registry", "get", "RacScenChx"}).sortie, "Choisi\n");
    // The test compiled the scenario.
    EXPECT_EQ(cli({"ini", "get", "Scenarios/Teste.ini", "Trame", "Trame"}).sortie, "3@1@\n");

    // An output file that cannot be written fails the command, and keeps no test frame.
    cli({"scenario", "create", "Perdu", "--type", "Fichier", "--path", "/proc/kovra/x.txt"});
    cli({"scenario", "add", "Perdu", "&CODE"});
    const Resultat r = cli({"scenario", "test", "Perdu", "--value", "x"});
    EXPECT_EQ(r.statut, 1);
    EXPECT_TRUE(r.erreurs.contains("n'a pas été livrée")) << r.erreurs.toStdString();
    EXPECT_TRUE(QDir(cli.d.Chemin("donnees")).entryList({"nonlivree-*"}).isEmpty());
}

TEST(KovraCli, ProgramsRunningTogetherNeverShareACounterValue) {
    Cli cli;
    ScenarioCompteur(cli);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", cli.d.Chemin("registre"));
    std::vector<std::unique_ptr<QProcess>> programmes;
    const int nombre = 16;
    for (int i = 0; i < nombre; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(KOVRA_CLI_EXE,
                 {"--dir", cli.d.Chemin("donnees"), "process", "--scenario", "Compteur"});
        p->write("X\r");
        p->closeWriteChannel();
        programmes.push_back(std::move(p));
    }
    QSet<QString> valeurs;
    for (auto& p : programmes) {
        ASSERT_TRUE(p->waitForFinished(30000));
        EXPECT_EQ(p->exitCode(), 0);
        EXPECT_EQ(p->readAllStandardError(), "");
        valeurs.insert(QString::fromUtf8(p->readAllStandardOutput()));
    }
    EXPECT_EQ(valeurs.size(), nombre);
    cli.entree = "Y\r";
    EXPECT_EQ(cli({"process", "--scenario", "Compteur"}).sortie, QString::number(nombre + 1) + "Y");
}

TEST(KovraCli, TheProgramHelpsAndReportsMisuse) {
    DossierTest d;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", d.Chemin("config"));
    env.insert("KOVRA_DIR", d.Chemin("donnees"));
    env.remove("DISPLAY");
    const struct {
        QStringList arguments;
        int statut;
        const char* dans;
    } cas[] = {
        {{"--help"}, 0, "scenario create NAME --type Emulation|Fichier"},
        {{"--version"}, 0, "kovra-cli "},
        {{"scenario", "create", "--help"}, 0, "--numbered"},
        {{"registry", "set", "--help"}, 0, "DelaiTouches"},
        {{"registry", "get", "Delai"}, 2, "DelaiTouches"},
        {{}, 2, "Usage"},
        {{"inconnue"}, 2, "unknown command"},
        {{"--dir"}, 2, "--dir needs a folder"},
        {{"dir"}, 0, "donnees"},
        {{"type", "abc"}, 1, "X11"}, // no display here
        {{"registry", "set", "RacCde", "Commandes"}, 0, ""},
    };
    for (const auto& c : cas) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KOVRA_CLI_EXE, c.arguments);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), c.statut) << c.arguments.join(' ').toStdString();
        const QString tout =
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        EXPECT_TRUE(tout.contains(c.dans)) << tout.toStdString();
    }
    // The version is the build's, the one the packages carry.
    QProcess version;
    version.start(KOVRA_CLI_EXE, {"--version"});
    ASSERT_TRUE(version.waitForFinished(30000));
    EXPECT_EQ(version.readAllStandardOutput(), QByteArray("kovra-cli ") + kVersionTexte + "\n");
    // The registry lives in the user's configuration folder.
    EXPECT_EQ(Registre(d.Chemin("config")).Lit(kRacCde), "Commandes");
    EXPECT_TRUE(QFile::exists(d.Chemin("donnees/Scen.db")));
}

TEST(KovraCli, ImportDeliversATextFileOnTheChosenScenario) {
    Cli cli;
    const QString sortie = cli.d.Chemin("Stock.txt");
    Deroule(cli,
            {
                {{"import", cli.d.Chemin("absent.txt")}, 1, ""}, // no scenario chosen yet
                {{"scenario", "create", "Stock", "--type", "Fichier", "--path", sortie}, 0, "1\n"},
            });
    for (const char* a : {"&CODE", "=", "&QTY", "&PASSLIGNE"}) {
        cli({"scenario", "add", "Stock", a});
    }
    cli({"scenario", "loop", "Stock", "1"});
    cli({"registry", "set", "RacScenChx", "Stock"});
    cli.d.Ecrit("import.txt", "A100;12\r\n\r\nCaf\xE9;3\rB;\n");
    cli.d.Ecrit("tirets.txt", "A--1\nB--2--\n");
    cli.d.Ecrit("vide.txt", "\r\n\r\n");
    const struct {
        QStringList arguments;
        int statut;
        QByteArray sortie; // Stock.txt afterwards
    } cas[] = {
        // Not exported since the actions were added: compiled again first.
        {{"import", cli.d.Chemin("import.txt")}, 0, "A100=12\r\nCaf\xE9=3\r\nB=\r\n"},
        {{"import", cli.d.Chemin("tirets.txt"), "--separator", "--"}, 0, "A=1\r\nB=2\r\n"},
        {{"import", cli.d.Chemin("absent.txt")}, 1, "A=1\r\nB=2\r\n"},
        {{"import", cli.d.Chemin("vide.txt")}, 1, "A=1\r\nB=2\r\n"},
        {{"import", cli.d.Chemin()}, 1, "A=1\r\nB=2\r\n"},
        {{"import", cli.d.Chemin("import.txt"), "--separator", ""}, 2, "A=1\r\nB=2\r\n"},
        {{"import"}, 2, "A=1\r\nB=2\r\n"},
    };
    for (const auto& c : cas) {
        const Resultat r = cli(c.arguments);
        const std::string ligne = c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.statut, c.statut) << ligne << "\n" << r.erreurs.toStdString();
        EXPECT_EQ(r.sortie, "") << ligne;
        EXPECT_EQ(cli.d.Lit("Stock.txt"), c.sortie) << ligne;
        // Every outcome is told: the file written, or why nothing was.
        EXPECT_FALSE(r.erreurs.isEmpty()) << ligne;
    }
    EXPECT_TRUE(
        cli({"import", cli.d.Chemin("absent.txt")}).erreurs.contains("Le fichier n'existe pas"));
}

TEST(KovraCli, PortSetWritesThePortSettingsAsTheSettingsWindowDoes) {
    Cli cli;
    cli({"dir"});
    const QByteArray avant = "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 9600\r\nBit de donn\xE9"
                             "e= 8\r\nBit de parit\xE9=N\r\nBit d'arr\xEAt= 1\r\n"
                             "Protocol=HT630\r\nFlux= 0\r\n";
    cli.d.Ecrit("donnees/PortSerie.ini", avant);
    // Refused or malformed: nothing written, and a message.
    Deroule(cli, {
                     {{"port", "set", "--data", "4"}, 1, ""},
                     {{"port", "set"}, 2, ""},
                     {{"port", "set", "--com", "trois"}, 2, ""},
                     {{"port", "set", "--parity", "Paire"}, 2, ""},
                     {{"port", "set", "--device", "/dev/ttyUSB0", "--com", "2"}, 2, ""},
                     {{"port", "set", "--baud", "9600"}, 2, ""},
                     {{"port", "set", "--device", "tcp://serveur"}, 1, ""},
                 });
    EXPECT_EQ(cli.d.Lit("donnees/PortSerie.ini"), avant);
    EXPECT_TRUE(cli({"port", "set", "--data", "4"}).erreurs.contains("4 bits de données"));
    EXPECT_EQ(cli({"port", "set", "--device", "tcp://serveur:0"}).erreurs,
              QString::fromUtf8("kovra-cli: L'adresse réseau « tcp://serveur:0 » ne peut pas "
                                "servir : le port « 0 » n'est pas un numéro de 1 à 65535.\n"));

    const struct {
        QStringList arguments;
        QByteArray fichier; // PortSerie.ini afterwards
    } cas[] = {
        {{"port", "set", "--com", "3", "--speed", "19200", "--parity", "e", "--data", "7", "--stop",
          "1.5", "--flow", "2", "--type", "PT630"},
         "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 19200\r\nBit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\nProtocol=PT630\r\nFlux= 2\r\n"
         "Port= 3\r\n"},
        {{"port", "set", "--device", "/dev/pts/9", "--flow=0"},
         "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 19200\r\nBit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\nProtocol=PT630\r\nFlux= 0\r\n"
         "Port= 3\r\nPeripherique=/dev/pts/9\r\n"},
        {{"port", "set", "--device", "rfc2217://192.168.1.20:4001"},
         "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 19200\r\nBit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\nProtocol=PT630\r\nFlux= 0\r\n"
         "Port= 3\r\nPeripherique=rfc2217://192.168.1.20:4001\r\n"},
        {{"port", "set", "--com", "1"},
         "[Port_s\xE9rie]\r\nPortActif=1\r\nVitesse= 19200\r\nBit de donn\xE9"
         "e= 7\r\nBit de parit\xE9=E\r\nBit d'arr\xEAt= 1.5\r\nProtocol=PT630\r\nFlux= 0\r\n"
         "Port= 1\r\nPeripherique=\r\n"},
    };
    for (const auto& c : cas) {
        const Resultat r = cli(c.arguments);
        const std::string ligne = c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.statut, 0) << ligne << "\n" << r.erreurs.toStdString();
        EXPECT_EQ(r.sortie + r.erreurs, "") << ligne;
        EXPECT_EQ(cli.d.Lit("donnees/PortSerie.ini"), c.fichier) << ligne;
    }
}

TEST(KovraCli, PortListPrintsTheDevicesPresent) {
    Cli cli;
    QString attendu;
    for (const PeripheriqueSerie& p : PeripheriquesPresents()) {
        attendu += p.chemin + "\t" + p.description + "\n";
    }
    Deroule(cli, {
                     {{"port", "list"}, 0, attendu.toUtf8().constData()},
                     {{"port", "list", "trop"}, 2, ""},
                 });
}

TEST(KovraCli, TransferMovesFilesThroughTheLibraryAndClosesItsPortAfterEachCommand) {
    Cli cli;
    kovra::test::TerminalSubstitut terminal;
    const QString bibliotheque = kovra::test::CheminSubstitut();
    const QStringList avec = {"transfer", "--library", bibliotheque};
    const QString donnees = cli.d.Chemin("donnees");
    terminal.EcritSurTerminal("TESTFILE.$$$", QByteArray(200, 'a'));
    cli.d.Ecrit("liste.txt", "liste de produits");

    const struct {
        QStringList arguments;
        int statut;
        const char* sortie;
        const char* erreurs;
        QStringList appels; // between the opening and the closing of the port
    } cas[] = {
        {avec + QStringList{"version"},
         0,
         "DLL Version: 630\nESC Delay: 2\nNAK Delay: 3\nTime out: 10\n",
         "",
         {"HM_version()", "HM_get_time_out()", "HM_get_NAK_delay()", "HM_get_ESC_delay()"}},
        {avec + QStringList{"set", "esc", "12ab"},
         0,
         "DLL Version: 630\nESC Delay: 12\nNAK Delay: 3\nTime out: 10\n",
         "",
         {"HM_set_ESC_delay(12)", "HM_version()", "HM_get_time_out()", "HM_get_NAK_delay()",
          "HM_get_ESC_delay()"}},
        {avec + QStringList{"set", "nak", ""},
         0,
         "DLL Version: 630\nESC Delay: 2\nNAK Delay: 0\nTime out: 10\n",
         "",
         {"HM_set_NAK_delay(0)", "HM_version()", "HM_get_time_out()", "HM_get_NAK_delay()",
          "HM_get_ESC_delay()"}},
        {QStringList{"transfer", "set", "timeout", "-2.6", "--library", bibliotheque},
         0,
         "DLL Version: 630\nESC Delay: 2\nNAK Delay: 3\nTime out: -3\n",
         "",
         {"HM_set_time_out(-3)", "HM_version()", "HM_get_time_out()", "HM_get_NAK_delay()",
          "HM_get_ESC_delay()"}},
        {avec + QStringList{"upload"},
         0,
         "Bytes: 200\nPackets: 2\n",
         "Succesfull\n",
         {"HM_file_exist(1,65,\"TESTFILE.$$$\")", "HM_power_saving_off(1,65)",
          "HM_upload1(1,65,\"TESTFILE.$$$\",\"" + donnees + "/TESTFIL2.$$$\")",
          "HM_get_return_string_length(0)", "HM_upload2()", "HM_upload2()",
          "HM_power_saving_on(1,65)"}},
        {avec +
             QStringList{"upload", "--terminal-file", "ABSENT.DAT", "--to", cli.d.Chemin("x.txt")},
         1,
         "",
         "File doesn't exist on portable !\nkovra-cli: Le transfert n'a pas abouti.\n",
         {"HM_file_exist(1,65,\"ABSENT.DAT\")"}},
        {avec + QStringList{"download", cli.d.Chemin("liste.txt")},
         0,
         "Bytes: 17\nPackets: 1\n",
         "Succesfull\n",
         {"HM_power_saving_off(1,65)",
          "HM_download1(1,65,\"" + cli.d.Chemin("liste.txt") + "\",\"ESSAIS.TXT\")",
          "HM_download2()", "HM_power_saving_on(1,65)"}},
        {avec + QStringList{"download", cli.d.Chemin("liste.txt"), "--terminal-file", "A.TXT"},
         1,
         "",
         "Download1 File open error\nkovra-cli: Le transfert n'a pas abouti.\n",
         {"HM_power_saving_off(1,65)",
          "HM_download1(1,65,\"" + cli.d.Chemin("liste.txt") + "\",\"A.TXT\")",
          "HM_power_saving_on(1,65)"}},
    };
    for (const auto& c : cas) {
        terminal.EffaceJournal();
        qputenv("KOVRA_MULTIDLL_ECHEC",
                c.arguments.contains("A.TXT") ? "HM_download1:34" : QByteArray());
        const Resultat r = cli(c.arguments);
        const std::string ligne = c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.statut, c.statut) << ligne << "\n" << r.erreurs.toStdString();
        EXPECT_EQ(r.sortie, QString::fromUtf8(c.sortie)) << ligne;
        EXPECT_EQ(r.erreurs, QString::fromUtf8(c.erreurs)) << ligne;
        EXPECT_EQ(terminal.Journal(), QStringList{"HM_OpenCommPort(1,9600,8,0,1)"} + c.appels +
                                          QStringList{"HM_CloseCommPort(1)"})
            << ligne;
    }
    EXPECT_EQ(cli.d.Lit("donnees/TESTFIL2.$$$"), QByteArray(200, 'a'));
    EXPECT_EQ(terminal.LitSurTerminal("ESSAIS.TXT"), "liste de produits");
}

TEST(KovraCli, TransferRefusesMisuseWithoutCallingTheLibrary) {
    Cli cli;
    kovra::test::TerminalSubstitut terminal;
    const QString bibliotheque = kovra::test::CheminSubstitut();
    const struct {
        QStringList arguments;
        int statut;
        std::string dans;
    } cas[] = {
        {{"transfer", "--library", bibliotheque, "set", "esc", "99999999999"},
         2,
         "99999999999 does not fit in 32 bits"},
        {{"transfer", "--library", bibliotheque, "set", "delay", "3"}, 2, "esc, nak or timeout"},
        {{"transfer", "--library", bibliotheque, "set", "esc"}, 2, "wrong number of arguments"},
        {{"transfer", "--library", bibliotheque, "download"}, 2, "wrong number of arguments"},
        {{"transfer", "--library", bibliotheque, "version", "--to", "x"}, 2, "--to"},
        {{"transfer", "--library", bibliotheque, "rename"}, 2, "unknown transfer operation"},
        {{"transfer"}, 2, "wrong number of arguments"},
        {{"transfer", "--library", cli.d.Chemin("absente.so"), "version"}, 1, "absente.so"},
        {{"transfer", "--library", kovra::test::CheminSubstitutIncomplet(), "version"},
         1,
         "HM_version"},
        // A PC file that is not there never reaches the library.
        {{"transfer", "--library", bibliotheque, "download", cli.d.Chemin("absent.txt")},
         1,
         "Le fichier " + cli.d.Chemin("absent.txt").toStdString() + " n'existe pas."},
        {{"transfer", "--library", bibliotheque, "download", cli.d.Chemin()},
         1,
         "n'est pas un fichier"},
    };
    for (const auto& c : cas) {
        const Resultat r = cli(c.arguments);
        const std::string ligne = c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.statut, c.statut) << ligne;
        EXPECT_TRUE(r.erreurs.contains(QString::fromStdString(c.dans))) << ligne << "\n"
                                                                        << r.erreurs.toStdString();
        EXPECT_TRUE(r.sortie.isEmpty()) << ligne;
    }
    EXPECT_TRUE(terminal.Journal().isEmpty()) << terminal.Journal().join('\n').toStdString();
}

TEST(KovraCli, TransferTestfileWritesTheTestFile) {
    Cli cli;
    QByteArray enregistrement("\xFA\x00", 2);
    enregistrement += QByteArray(250, 'x') + QByteArray(4, '\0');
    Deroule(cli, {
                     {{"transfer", "testfile"}, 0, ""},
                     {{"transfer", "testfile", cli.d.Chemin("autre.$$$")}, 0, ""},
                     {{"transfer", "testfile", cli.d.Chemin("absent/autre.$$$")}, 1, ""},
                     {{"transfer", "testfile", "relatif.$$$"}, 0, ""},
                 });
    EXPECT_EQ(cli.d.Lit("donnees/TESTFILE.$$$"), enregistrement.repeated(450));
    EXPECT_EQ(cli.d.Lit("autre.$$$"), enregistrement.repeated(450));
    // A relative name is a file of the data folder, wherever the command runs.
    EXPECT_EQ(cli.d.Lit("donnees/relatif.$$$"), enregistrement.repeated(450));
}

TEST(KovraCli, ASignalStopsATransferAsStopDoes) {
    kovra::test::TerminalSubstitut terminal;
    DossierTest d;
    terminal.EcritSurTerminal("TESTFILE.$$$", QByteArray(300, 'z'));
    d.Ecrit("envoi.txt", QByteArray(300, 'y'));
    const struct {
        int signal;
        QStringList arguments;
        const char* paquet; // the packet call the transfer repeats
        int statut;
    } cas[] = {
        {SIGINT, {"upload"}, "HM_upload2()", 130},
        {SIGTERM, {"upload"}, "HM_upload2()", 143},
        {SIGHUP, {"download", d.Chemin("envoi.txt")}, "HM_download2()", 129},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.statut);
        terminal.EffaceJournal();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", d.Chemin("config"));
        env.insert("KOVRA_MULTIDLL", kovra::test::CheminSubstitut());
        env.insert("KOVRA_MULTIDLL_SANS_FIN", "1"); // it would never end by itself
        env.insert("KOVRA_MULTIDLL_LENT", "20");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KOVRA_CLI_EXE, QStringList{"--dir", d.Chemin("donnees"), "transfer"} + c.arguments);
        ASSERT_TRUE(p.waitForStarted());
        // Under way: a few packets moved.
        ASSERT_TRUE(
            kovra::test::AttendQue([&] { return terminal.Journal().count(c.paquet) >= 3; }, 10000))
            << terminal.Journal().join('\n').toStdString();
        kill(static_cast<pid_t>(p.processId()), c.signal);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.statut);
        EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("Transfert interrompu"));
        // Power saving back on, then the library's port closed, nothing after.
        QStringList journal = terminal.Journal();
        journal.removeAll(c.paquet);
        ASSERT_GE(journal.size(), 2);
        EXPECT_EQ(journal.mid(journal.size() - 2),
                  QStringList({"HM_power_saving_on(1,65)", "HM_CloseCommPort(1)"}));
    }
}
