#pragma once

// The settings window over a core as the tray program makes it: a real data folder and
// database, a private registry, scripted dialogues, real timers, a recording keyboard, and
// a pseudo-terminal offered as the one serial device present.
#include "app/NoyauKovra.h"
#include "base/MinuterieQt.h"
#include "editor/EditeurScenario.h"
#include "keyboard/ClavierEnregistreur.h"
#include "link/OuverturePort.h"
#include "settings/FenetreParametrage.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/FichierProfil.h"
#include "storage/GestionScenarios.h"
#include "support/PosteNoyau.h"
#include "support/PseudoTerminal.h"

#include <QPointer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace kovra::test {

struct PosteParametrage : PosteNoyau<> {
    ~PosteParametrage() {
        delete fenetre.data();
        noyau.reset(); // before the terminal it may hold open
    }

    // The file scenario writing "code;quantity" lines to `fichier` of the test folder.
    qint16 ScenarioFichier(const QString& nom, const QString& fichier) {
        return t.Scenario(nom, kTypeFichier, {"&CODE", ";", "&QTY", "&PASSLIGNE"},
                          t.dossier.Chemin(fichier));
    }

    // Starts the core as the program does, then opens the window; `entre` runs between the
    // two, as what happens to the program while the window is not open.
    FenetreParametrage& Ouvre(const std::function<void()>& entre = {}) {
        demarrage = noyau->Demarre();
        if (entre) {
            entre();
        }
        dejaDit = t.dialogues.Messages();
        t.dialogues = {};
        fenetre = new FenetreParametrage(
            {*noyau,
             t.registre,
             t.dialogues,
             [this] {
                 return QList<PeripheriqueSerie>{{terminal.Chemin(), "Terminal de test"}};
             },
             {},
             DossierDefauts()});
        fenetre->setAttribute(Qt::WA_DeleteOnClose);
        fenetre->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fenetre.data()));
        return *fenetre;
    }
    QString Ini() const { return t.Chemin(kPortSerie); }
    // The port configured on the pseudo-terminal, for an HT630.
    void Port() {
        EcrireIni(kSectionPort, "Port", " 1", Ini());
        EcrireIni(kSectionPort, "Peripherique", terminal.Chemin(), Ini());
        EcrireIni(kSectionPort, "Protocol", "HT630", Ini());
    }

    // What the port's state comes from when a test finds it other than expected: how the
    // start went, and what the user was told before the window opened.
    std::string Depart() const {
        return ("start: " + demarrage.port.erreur + " | told: " + dejaDit.join(" | "))
            .toStdString();
    }

    PseudoTerminal terminal;
    QPointer<FenetreParametrage> fenetre;
    BilanDemarrage demarrage;
    QStringList dejaDit;
};

} // namespace kovra::test
