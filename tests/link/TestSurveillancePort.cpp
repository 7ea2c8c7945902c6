#include "link/AiguillagePort.h"
#include "link/SurveillancePort.h"
#include "support/Attente.h"
#include "support/DossierTest.h"
#include "support/MinuterieManuelle.h"
#include "support/PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>

using namespace kovra;
using kovra::test::AttendQue;
using kovra::test::DossierTest;
using kovra::test::MinuterieManuelle;
using kovra::test::PseudoTerminal;

namespace {

// A port on a device reached through a link, as /dev/serial/by-id names are, watched; the
// test unplugs and plugs the device back.
struct Ligne {
    Ligne() {
        EXPECT_TRUE(QFile::link(terminal->Chemin(), lien));
        port.Peripherique = lien;
        port.SetPortOpen(true);
    }
    void Debranche() {
        terminal.reset();
        QFile::remove(lien);
    }
    void Rebranche() {
        terminal = std::make_unique<PseudoTerminal>();
        EXPECT_TRUE(QFile::link(terminal->Chemin(), lien));
    }

    DossierTest d;
    DialoguesScriptes dialogues;
    MinuterieManuelle minuterie;
    const QString lien = d.Chemin("ttyKovra");
    std::unique_ptr<PseudoTerminal> terminal = std::make_unique<PseudoTerminal>();
    MSComm port;
    SurveillancePort surveillance{port, dialogues, minuterie};
    EtatLiaison liaison;
    AiguillagePort aiguillage{port, liaison, nullptr, nullptr, &surveillance};
};

} // namespace

TEST(SurveillancePort, ReopensThePortWhenTheDeviceIsBack) {
    Ligne l;
    auto& [d, dialogues, minuterie, lien, terminal, port, surveillance, liaison, aiguillage] = l;
    l.Debranche();
    AttendQue([&] { return surveillance.Perdu(); });
    ASSERT_TRUE(surveillance.Perdu());
    EXPECT_FALSE(port.PortOpen());
    ASSERT_EQ(dialogues.Messages().size(), 1); // said once
    EXPECT_TRUE(dialogues.Messages()[0].contains(lien));
    for (int i = 0; i < 3; ++i) {
        minuterie.Avance(); // still away: tries again a second later
    }
    EXPECT_EQ(minuterie.enAttente.size(), 1u);
    EXPECT_EQ(dialogues.Messages().size(), 1);

    l.Rebranche();
    minuterie.Avance();
    EXPECT_TRUE(port.PortOpen());
    EXPECT_FALSE(surveillance.Perdu());
    EXPECT_EQ(dialogues.Messages().last(), "Le port " + lien + " est de nouveau ouvert.");
    terminal->Envoie("OK");
    AttendQue([&] { return port.InBufferCount() >= 2; });
    EXPECT_EQ(port.Input(), "OK");
}

TEST(SurveillancePort, APortTheUserClosedIsNotWaitedFor) {
    Ligne l;
    l.Debranche();
    ASSERT_TRUE(AttendQue([&] { return l.surveillance.Perdu(); }));
    l.surveillance.Oublie(); // the user closed the port meanwhile
    l.Rebranche();
    l.minuterie.Avance();
    l.minuterie.Avance();
    EXPECT_FALSE(l.port.PortOpen());
    EXPECT_FALSE(l.surveillance.Perdu());
    EXPECT_EQ(l.dialogues.Messages().size(), 1);
}

// The line made ready for the next transfer does not open again (its link gone meanwhile):
// that is a device gone like any other, told and waited for, not a port silently closed.
TEST(SurveillancePort, ALineThatDoesNotOpenAgainAfterATransferIsWaitedFor) {
    Ligne l;
    ASSERT_TRUE(QFile::remove(l.lien));
    l.port.Reinitialise();
    EXPECT_TRUE(l.surveillance.Perdu());
    ASSERT_EQ(l.dialogues.Messages().size(), 1);
    EXPECT_TRUE(l.dialogues.Messages()[0].startsWith("Le port " + l.lien + " ne répond plus"));
    EXPECT_TRUE(QFile::link(l.terminal->Chemin(), l.lien));
    l.minuterie.Avance();
    EXPECT_TRUE(l.port.PortOpen());
}

TEST(SurveillancePort, APortThatCouldNotBeOpenedAgainIsSaidOnceAndWaitedFor) {
    Ligne l;
    l.port.SetPortOpen(false);
    l.Debranche();
    const QString erreur = "Impossible d'ouvrir le port " + l.lien + " : il n'existe pas";
    l.surveillance.Attend(erreur);
    l.surveillance.Attend(erreur); // a second failure meanwhile is not said again
    EXPECT_EQ(l.dialogues.Messages(),
              QStringList{erreur + ". Il sera rouvert dès qu'il sera de retour."});
    l.minuterie.Avance();
    EXPECT_FALSE(l.port.PortOpen());
    l.Rebranche();
    l.minuterie.Avance();
    EXPECT_TRUE(l.port.PortOpen());
    EXPECT_EQ(l.dialogues.Messages().last(), "Le port " + l.lien + " est de nouveau ouvert.");
}
