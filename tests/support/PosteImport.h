#pragma once

// A core as the tray program makes it, for the import tests: a real data folder and
// database, a private registry, scripted dialogues, real timers on the event loop, a
// recording keyboard, and a progress that remembers what it was told.
#include "app/NoyauKovra.h"
#include "base/MinuterieQt.h"
#include "keyboard/ClavierEnregistreur.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"
#include "support/DossierTest.h"

#include <QList>
#include <QStringList>
#include <memory>

namespace kovra::test {

struct ProgressionEnregistree : Progression {
    QStringList libelles;
    QList<int> valeurs;
    int termines = 0;
    void Libelle(const QString& texte) override { libelles << texte; }
    void Valeur(int pourcent) override { valeurs << pourcent; }
    void Termine() override { ++termines; }
};

struct PosteImport {
    PosteImport() {
        noyau = std::make_unique<NoyauKovra>(
            ServicesNoyau{t.donnees, t.registre, t.dialogues, bulle, minuterie, progression,
                          [this] {
                              auto c = std::make_unique<ClavierEnregistreur>();
                              clavier = c.get();
                              return std::unique_ptr<ClavierVirtuel>(std::move(c));
                          },
                          false});
        noyau->trameTraitee = [this](bool livre) {
            livrees << livre;
        };
    }

    // A scenario in the database, compiled, made the chosen one and loaded.
    void Scenario(const QString& nom, const QString& type, const QStringList& actions,
                  const QString& chemin = QString()) {
        t.Scenario(nom, type, actions, chemin);
        t.registre.Ecrit(kRacScenChx, nom);
        noyau->ChargeReglages();
        noyau->RechargeScenarioChoisi();
    }
    // A file scenario writing each field of the frame on its own line of sortie.txt.
    void ChampParLigne() {
        Scenario(QStringLiteral("Lignes"), kTypeFichier,
                 {QStringLiteral("&CODE"), QStringLiteral("&PASSLIGNE")}, Sortie());
    }
    QString Sortie() const { return t.dossier.Chemin(QStringLiteral("sortie.txt")); }

    DonneesTest t;
    MinuterieQt minuterie;
    ProgressionEnregistree progression;
    InfoBulleMuette bulle;
    ClavierEnregistreur* clavier = nullptr;
    QList<bool> livrees;
    std::unique_ptr<NoyauKovra> noyau;
};

} // namespace kovra::test
