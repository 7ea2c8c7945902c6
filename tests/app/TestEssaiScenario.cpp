// A scenario tried on values given in input boxes: the questions asked, the frame built as
// a terminal would send it, what processing makes of it, and where it is delivered, on a
// real Scen.db and real compiled files.
#include "app/EssaiScenario.h"

#include "base/ErreurKovra.h"
#include "base/Progression.h"
#include "processing/TraiteDonnees.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/GestionScenarios.h"
#include "storage/Registre.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/PosteImport.h"

#include <QFile>
#include <gtest/gtest.h>
#include <optional>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;
using kovra::test::PosteImport;

namespace {

// Hands a test's demand to the core at once; whether it was delivered whole (nothing when
// it was not dealt with in time).
std::optional<bool> Livre(PosteImport& p, DemandeTraitement demande) {
    demande.delaiAvant = 0;
    std::optional<bool> livre;
    demande.fin = [&](bool l) {
        livre = l;
    };
    p.noyau->TraiteTrame(std::move(demande));
    AttendQue([&] { return livre.has_value(); });
    return livre;
}

struct Action {
    const char* texte;
    int place = 0;
};

// A scenario, the answers given to its input boxes (nothing: cancelled), the prompts
// expected, the frame built and the output processing makes of it.
struct CasEssai {
    const char* nom;
    std::vector<Action> actions;
    int nbrPartiel; // records of this many fields; 0: whole frames
    std::vector<std::optional<const char*>> reponses;
    std::vector<const char*> invites; // for one record; asked four times
    const char* trame;
    const char* sortie;
};

const CasEssai kCas[] = {
    {"whole frame: one field per answer",
     {{"&CODE"}, {"{TAB}"}, {"&QTY"}, {"{ENTER}"}},
     0,
     {"A1", "1", "A2", "2", "A3", "3", "A4", "4"},
     {"Valeur du champs &CODE", "Valeur du champs &QTY"},
     "A1\r\n1\r\nA2\r\n2\r\nA3\r\n3\r\nA4\r\n4\r\n",
     "A1{TAB}1{ENTER}A2{TAB}2{ENTER}A3{TAB}3{ENTER}A4{TAB}4{ENTER}"},
    {"tokens, keys and free text are not asked",
     {{"&DATE"}, {"&TAB"}, {"{TAB}"}, {"prix "}, {"&EMP"}, {"&PASSLIGNE"}, {"&Timer 5"}},
     0,
     {"E1", "E2", "E3", "E4"},
     {"Valeur du champs &EMP"},
     "E1\r\nE2\r\nE3\r\nE4\r\n",
     "05/03/26\t{TAB}prix E1\r\n{TIMER}05/03/26\t{TAB}prix E2\r\n{TIMER}"
     "05/03/26\t{TAB}prix E3\r\n{TIMER}05/03/26\t{TAB}prix E4\r\n{TIMER}"},
    {"cancelled boxes give empty fields",
     {{"&CODE"}, {"{TAB}"}, {"&QTY"}, {"~"}},
     0,
     {"A1", std::nullopt, std::nullopt, "2", "A3", "3", std::nullopt, std::nullopt},
     {"Valeur du champs &CODE", "Valeur du champs &QTY"},
     "A1\r\n\r\n\r\n2\r\nA3\r\n3\r\n\r\n\r\n",
     "A1{TAB}~{TAB}2~A3{TAB}3~{TAB}~"},
    {"partial frame: answers at their places",
     {{"&QTY", 3}, {"{TAB}"}, {"&CODE", 1}},
     4,
     {"q1", "c1", "q2", "c2", "q3", "c3", "q4", "c4"},
     {"Valeur du champs &QTY", "Valeur du champs &CODE"},
     "c1\r\n\r\nq1\r\n\r\nc2\r\n\r\nq2\r\n\r\nc3\r\n\r\nq3\r\n\r\nc4\r\n\r\nq4\r\n\r\n",
     "q1{TAB}c1q2{TAB}c2q3{TAB}c3q4{TAB}c4"},
    {"partial frame: an answer with no place in the record has no field",
     {{"&CODE", 2}, {"&LOT", 0}, {"&QTY", 9}},
     2,
     {"c1", "l1", "q1", "c2", "l2", "q2", "c3", "l3", "q3", "c4", "l4", "q4"},
     {"Valeur du champs &CODE", "Valeur du champs &LOT", "Valeur du champs &QTY"},
     "\r\nc1\r\n\r\nc2\r\n\r\nc3\r\n\r\nc4\r\n",
     "c1c2c3c4"},
    {"a scenario without actions asks nothing", {}, 0, {}, {}, "", ""},
};

// Runs one case in a fresh data folder.
void VerifieEssai(const CasEssai& c) {
    DonneesTest t;
    qint16 numero = 0;
    {
        BaseScen base(t.Chemin(kScenDb));
        numero = CreeScenario(base, {QStringLiteral("Essai"), kTypeEmulation,
                                     static_cast<qint16>(c.nbrPartiel), false, QString()});
        for (const Action& a : c.actions) {
            AjouteAction(base, numero, QString::fromUtf8(a.texte), a.place);
        }
        base.MetAJourBoucle(numero, 1);
    }
    for (const auto& r : c.reponses) {
        t.dialogues.PrepareSaisie(r ? std::optional(QString::fromUtf8(*r)) : std::nullopt);
    }
    DemandeTraitement demande;
    {
        BaseScen base(t.Chemin(kScenDb));
        demande = PrepareEssai(base, t.donnees, numero, QuestionParDialogue(t.dialogues));
    }

    QStringList invites;
    for (int r = 0; r < kEnregistrementsEssai; ++r) {
        for (const char* i : c.invites) {
            invites << QString::fromUtf8(i);
        }
    }
    QStringList posees;
    for (const auto& trace : t.dialogues.Journal()) {
        ASSERT_EQ(trace.genre, DialoguesScriptes::Genre::Saisie);
        EXPECT_EQ(trace.titre, kTitreApplication);
        EXPECT_EQ(trace.defaut, QString());
        posees << trace.texte;
    }
    EXPECT_EQ(posees, invites);
    EXPECT_EQ(t.dialogues.ReponsesManquantes(), 0);
    EXPECT_EQ(demande.trame, QString::fromUtf8(c.trame));

    // What the pipeline gets: the tested scenario, compiled and loaded on its own.
    ASSERT_NE(demande.scenario, nullptr);
    EXPECT_EQ(demande.scenario->ScenarioActif, "Essai");
    EXPECT_EQ(demande.scenario->NombreActions(), static_cast<int>(c.actions.size()));
    EXPECT_EQ(demande.delaiAvant, kPauseEssai);
    EXPECT_FALSE(demande.reinitialisePort);
    EXPECT_FALSE(demande.conserveNonLivree);

    EtatTraitement etat;
    ProgressionMuette progression;
    const TableTouches touches = ChargeTableTouches(t.donnees);
    const ContexteTraitement ctx{LitPositionsScenario(t.donnees, QStringLiteral("Essai")),
                                 QStringLiteral("."),
                                 touches,
                                 [] { return QStringLiteral("7"); },
                                 QDate(2026, 3, 5),
                                 progression};
    EXPECT_EQ(TraiteTrame(demande.trame, etat, *demande.scenario, ctx),
              QString::fromUtf8(c.sortie));
}

TEST(EssaiScenario, AsksTheFieldsAndBuildsTheFrameReceptionWouldGet) {
    for (const CasEssai& c : kCas) {
        SCOPED_TRACE(c.nom);
        VerifieEssai(c);
    }
}

TEST(EssaiScenario, AScenarioThatCannotBeCompiledOrNoLongerExistsStopsTheTest) {
    DonneesTest t;
    const qint16 numero = t.Scenario(QStringLiteral("Refus"), kTypeEmulation, {"&CODE"});
    // Another program left an action the compiled file cannot hold.
    test::ExecuteSql(
        t.Chemin(kScenDb),
        {QStringLiteral("UPDATE Actions SET Champs = 'a@b' WHERE NumeroScen = %1").arg(numero)});
    const QByteArray avant = t.dossier.Lit(QStringLiteral("donnees/Scenarios/Refus.ini"));
    BaseScen base(t.Chemin(kScenDb));
    const QuestionEssai question = [](const QString&) {
        return QStringLiteral("x");
    };
    EXPECT_THROW(PrepareEssai(base, t.donnees, numero, question), ErreurKovra);
    EXPECT_EQ(t.dossier.Lit(QStringLiteral("donnees/Scenarios/Refus.ini")), avant);
    EXPECT_THROW(PrepareEssai(base, t.donnees, 99, question), ErreurKovra);
}

TEST(EssaiScenario, AFileTestWritesItsOwnFileAndLeavesTheChosenScenarioAlone) {
    PosteImport p;
    const QString choisi = p.t.dossier.Chemin(QStringLiteral("choisi.txt"));
    const QString teste = p.t.dossier.Chemin(QStringLiteral("teste.txt"));
    p.Scenario(QStringLiteral("Choisi"), kTypeFichier, {"&CODE", "&PASSLIGNE"}, choisi);
    const qint16 numero = p.t.Scenario(QStringLiteral("Teste"), kTypeFichier,
                                       {"&CODE", "&TAB", "&QTY", "&PASSLIGNE"}, teste);
    const EtatScenario avant = p.noyau->Scenario();
    ASSERT_EQ(avant.ScenarioActif, "Choisi");

    const QuestionEssai question = [n = 0](const QString& invite) mutable {
        return invite.endsWith(QStringLiteral("&CODE")) ? QStringLiteral("C%1").arg(++n)
                                                        : QStringLiteral("%1").arg(n * 10);
    };
    EXPECT_EQ(Livre(p, PrepareEssai(p.noyau->Base(), p.t.donnees, numero, question)), true);

    EXPECT_EQ(p.t.dossier.Lit(QStringLiteral("teste.txt")),
              "C1\t10\r\nC2\t20\r\nC3\t30\r\nC4\t40\r\n");
    EXPECT_FALSE(QFile::exists(choisi));
    EXPECT_EQ(p.noyau->Scenario().ScenarioActif, "Choisi");
    EXPECT_EQ(p.noyau->Scenario().ListeActions, avant.ListeActions);
    EXPECT_EQ(p.noyau->Scenario().SortieFichier, avant.SortieFichier);
    EXPECT_EQ(p.t.registre.Lit(kRacScenChx), "Choisi");

    // Live frames still follow the chosen scenario.
    p.noyau->TraiteTrame(DemandeTraitement{QStringLiteral("R\r"), QString(), nullptr, false, 0});
    ASSERT_TRUE(AttendQue([&] { return p.livrees.size() == 2; }));
    EXPECT_EQ(p.t.dossier.Lit(QStringLiteral("choisi.txt")), "R\r\n");
}

TEST(EssaiScenario, ATestFrameNotDeliveredIsNotKeptAsReceivedData) {
    PosteImport p;
    const qint16 numero = p.t.Scenario(QStringLiteral("Perdu"), kTypeFichier, {"&CODE"},
                                       QStringLiteral("/proc/kovra/x.txt"));
    EXPECT_EQ(Livre(p, PrepareEssai(p.noyau->Base(), p.t.donnees, numero,
                                    [](const QString&) { return QStringLiteral("V"); })),
              false);
    EXPECT_TRUE(QDir(p.t.donnees).entryList({QStringLiteral("nonlivree-*")}).isEmpty());
    EXPECT_FALSE(p.t.dialogues.Messages().isEmpty()); // why it failed was told
}

} // namespace
