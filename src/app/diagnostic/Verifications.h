#pragma once

#include "app/diagnostic/Constat.h"
#include "app/diagnostic/Poste.h"

namespace kovra {

// The findings gathered so far.
struct Bilan {
    std::vector<Constat> constats;

    void Ok(const QString& sujet, const QString& texte) {
        constats.push_back({Niveau::Ok, sujet, texte});
    }
    void Note(const QString& sujet, const QString& texte) {
        constats.push_back({Niveau::Note, sujet, texte});
    }
    void Echec(const QString& sujet, const QString& texte) {
        constats.push_back({Niveau::Echec, sujet, texte});
    }
};

// What the chosen scenario does with a frame, when it is known.
enum class GenreScenario { Inconnu, Frappe, Fichier };

// The data folder; false when it is not there to look into.
[[nodiscard]] bool VerifieDossier(const DescriptionPoste& poste, Bilan& bilan);
// PortSerie.ini, Touche.ini, Corres.ini, TouFic.ini: readable, in a known encoding.
void VerifieFichiersReglages(const DescriptionPoste& poste, Bilan& bilan);
// Scen.db opens (read-only) and has the tables and columns Kovra creates.
void VerifieBase(const DescriptionPoste& poste, Bilan& bilan);
// The scenario the registry names is there and compiled.
GenreScenario VerifieScenario(const DescriptionPoste& poste, Bilan& bilan);
// Received data earlier runs could not deliver, put away in the data folder's conservees/.
void VerifieDonneesConservees(const DescriptionPoste& poste, Bilan& bilan);
// The instance lock of the data folder and the serial port of PortSerie.ini.
void VerifiePort(const DescriptionPoste& poste, Bilan& bilan);
// The X display and XTest, Wayland, the keyboard layout, the notification area.
void VerifieSession(const DescriptionPoste& poste, GenreScenario genre, Bilan& bilan);
// The terminal maker's transfer library.
void VerifieTransfert(const DescriptionPoste& poste, Bilan& bilan);

} // namespace kovra
