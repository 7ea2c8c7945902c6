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

TEST(SurveillancePort, ReopensThePortWhenTheDeviceIsBack) {
    DossierTest d;
    DialoguesScriptes dialogues;
    MinuterieManuelle minuterie;
    // The device is reached through a link, as /dev/serial/by-id names are.
    const QString lien = d.Chemin("ttyKovra");
    auto terminal = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(QFile::link(terminal->Chemin(), lien));
    MSComm port;
    port.Peripherique = lien;
    port.SetPortOpen(true);
    SurveillancePort surveillance(port, dialogues, minuterie);
    EtatLiaison liaison;
    AiguillagePort aiguillage(port, liaison, nullptr, nullptr, &surveillance);

    terminal.reset(); // unplugged
    QFile::remove(lien);
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

    terminal = std::make_unique<PseudoTerminal>(); // plugged back
    ASSERT_TRUE(QFile::link(terminal->Chemin(), lien));
    minuterie.Avance();
    EXPECT_TRUE(port.PortOpen());
    EXPECT_FALSE(surveillance.Perdu());
    EXPECT_EQ(dialogues.Messages().last(), "Le port " + lien + " est de nouveau ouvert.");
    terminal->Envoie("OK");
    AttendQue([&] { return port.InBufferCount() >= 2; });
    EXPECT_EQ(port.Input(), "OK");
}

TEST(SurveillancePort, APortTheUserClosedIsNotWaitedFor) {
    DossierTest d;
    DialoguesScriptes dialogues;
    MinuterieManuelle minuterie;
    const QString lien = d.Chemin("ttyKovra");
    auto terminal = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(QFile::link(terminal->Chemin(), lien));
    MSComm port;
    port.Peripherique = lien;
    port.SetPortOpen(true);
    SurveillancePort surveillance(port, dialogues, minuterie);
    EtatLiaison liaison;
    AiguillagePort aiguillage(port, liaison, nullptr, nullptr, &surveillance);

    terminal.reset();
    QFile::remove(lien);
    ASSERT_TRUE(AttendQue([&] { return surveillance.Perdu(); }));
    surveillance.Oublie(); // the user closed the port meanwhile
    terminal = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(QFile::link(terminal->Chemin(), lien));
    minuterie.Avance();
    minuterie.Avance();
    EXPECT_FALSE(port.PortOpen());
    EXPECT_FALSE(surveillance.Perdu());
    EXPECT_EQ(dialogues.Messages().size(), 1);
}
