#pragma once

// A core as the tray program makes it, with real timers, for the import and test windows.
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"
#include "support/PosteNoyau.h"

#include <gtest/gtest.h>

namespace kovra::test {

struct PosteImport : PosteNoyau<> {
    // A scenario in the database, compiled, made the chosen one and loaded.
    void Scenario(const QString& nom, const QString& type, const QStringList& actions,
                  const QString& chemin = QString()) {
        t.Scenario(nom, type, actions, chemin);
        t.registre.Ecrit(kRacScenChx, nom);
        noyau->ChargeReglages();
        EXPECT_TRUE(noyau->RechargeScenarioChoisi()) << nom.toStdString();
    }
    // A file scenario writing each field of the frame on its own line of sortie.txt.
    void ChampParLigne() {
        Scenario(QStringLiteral("Lignes"), kTypeFichier,
                 {QStringLiteral("&CODE"), QStringLiteral("&PASSLIGNE")}, Sortie());
    }
    QString Sortie() const { return t.dossier.Chemin(QStringLiteral("sortie.txt")); }
};

} // namespace kovra::test
