// A first start as a user lives it: a fresh data folder, the program comes up and shows the
// settings window, the user picks the terminal's device and validates, and the terminal's
// next transfer arrives without Kovra being started again. The terminal is kovra-terminal,
// a real process on a pseudo-terminal.
#include "base/MinuterieQt.h"
#include "keyboard/ClavierEnregistreur.h"
#include "settings/FenetreParametrage.h"
#include "settings/PageConnexion.h"
#include "settings/PageProprietes.h"
#include "shell/FenetresOutils.h"
#include "shell/ProgrammeKovra.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/GestionScenarios.h"
#include "support/Attente.h"
#include "support/DossierTest.h"

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DonneesTest;

namespace {

FenetreParametrage* FenetreOuverte() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* f = qobject_cast<FenetreParametrage*>(w); f != nullptr && f->isVisible()) {
            return f;
        }
    }
    return nullptr;
}

} // namespace

TEST(PremierDemarrage, TheSettingsWindowComesUpAndItsChoiceWorksAtOnce) {
    DonneesTest t;
    // The user's scenario: each record a "code;quantity" line of a file.
    t.Scenario("Stock", kTypeFichier, {"&CODE", ";", "&QTY", "&PASSLIGNE"},
               t.dossier.Chemin("stock.txt"));
    t.registre.Ecrit(kRacScenChx, "Stock");
    // The terminal keeps its line until the program is gone (see the end-to-end test).
    QProcess terminal;
    terminal.start(KOVRA_TERMINAL_EXE, {"--type", "HT630", "--text", "A1\\r12\\r", "--start",
                                        "4000", "--timeout", "20000", "--linger", "600000"});
    ASSERT_TRUE(terminal.waitForReadyRead(5000));
    const QString ligne = QString::fromUtf8(terminal.readLine()).trimmed();

    MinuterieQt minuterie;
    FenetresOutils outils;
    std::unique_ptr<ProgrammeKovra> programme;
    programme = std::make_unique<ProgrammeKovra>(ServicesProgramme{
        t.donnees,
        t.registre,
        t.dialogues,
        minuterie,
        outils.Avancement(),
        [] { return std::make_unique<ClavierEnregistreur>(); },
        {},
        {},
        {},
        [&] {
            outils.OuvreParametrage({programme->Noyau(),
                                     t.registre,
                                     t.dialogues,
                                     [&] {
                                         return QList<PeripheriqueSerie>{{ligne, "kovra-terminal"}};
                                     },
                                     {}});
        },
        [] { return false; },
        [](int) {
        }});
    ASSERT_TRUE(programme->Demarre());
    FenetreParametrage* f = FenetreOuverte();
    ASSERT_NE(f, nullptr) << "no settings window at the first start";
    EXPECT_EQ(t.dialogues.Messages(),
              QStringList{"Veuillez configurer les paramétres de communication."});

    // The user picks the device and the terminal type, and validates.
    f->TabParam->setCurrentWidget(f->proprietes);
    auto* port = f->proprietes->findChild<QComboBox*>("CboPort");
    auto* type = f->proprietes->findChild<QComboBox*>("CboProtocol");
    ASSERT_NE(port, nullptr);
    ASSERT_NE(type, nullptr);
    port->setCurrentIndex(port->findText(ligne, Qt::MatchStartsWith));
    emit port->activated(port->currentIndex());
    type->setCurrentIndex(type->findText("HT630"));
    emit type->activated(type->currentIndex());
    f->TabParam->setCurrentWidget(f->connexion);
    f->connexion->TlbConnect->actions()[0]->trigger();
    ASSERT_TRUE(AttendQue([] { return FenetreOuverte() == nullptr; }));
    EXPECT_TRUE(programme->Noyau().Port().PortOpen());

    // The transfer the terminal then pushes is written, with no restart.
    ASSERT_TRUE(AttendQue([&] { return t.dossier.Lit("stock.txt") == "A1;12\r\n"; }, 15000))
        << t.dialogues.Messages().join(" | ").toStdString();

    // The menu entry brings the one settings window forward, never a second one.
    programme->Parametrage();
    programme->Parametrage();
    int ouvertes = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        ouvertes += qobject_cast<FenetreParametrage*>(w) != nullptr && w->isVisible() ? 1 : 0;
    }
    EXPECT_EQ(ouvertes, 1);
    outils.FermeFenetres();
    programme.reset();
    terminal.waitForFinished(5000);
}
