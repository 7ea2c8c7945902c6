#pragma once

// A core as the tray program makes it: a real data folder and database, a private registry,
// scripted dialogues, the time the test chooses (real timers on the event loop, or manual
// time), a recording keyboard, and the progress and tray tip it was told.
#include "app/NoyauKovra.h"
#include "base/MinuterieQt.h"
#include "keyboard/ClavierEnregistreur.h"
#include "storage/InfoBulle.h"
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

struct BulleEnregistree : InfoBulle {
    QString texte;
    void ModifieInfoBulle(int port, const QString& nom) override {
        texte = TexteInfoBulle(port, nom);
    }
};

// `Temps` is the core's timer, `Clavier` the keyboard it makes on its first keystroke;
// `restaureClavier`: the keyboard is put back when the run ends, as the program does.
template <typename Temps = MinuterieQt, typename Clavier = ClavierEnregistreur> struct PosteNoyau {
    explicit PosteNoyau(bool restaureClavier = false) {
        noyau = std::make_unique<NoyauKovra>(
            ServicesNoyau{t.donnees, t.registre, t.dialogues, bulle, minuterie, progression,
                          [this] {
                              auto c = std::make_unique<Clavier>();
                              clavier = c.get();
                              return std::unique_ptr<ClavierVirtuel>(std::move(c));
                          },
                          restaureClavier});
        noyau->trameTraitee = [this](bool livre) {
            livrees << livre;
        };
    }

    DonneesTest t;
    Temps minuterie;
    ProgressionEnregistree progression;
    BulleEnregistree bulle;
    Clavier* clavier = nullptr; // once made
    QList<bool> livrees;        // each frame: whether it was delivered whole
    std::unique_ptr<NoyauKovra> noyau;
};

} // namespace kovra::test
