#pragma once

#include "processing/EtatTraitement.h"
#include "processing/TraiteDonnees.h"
#include "storage/ScenarioActif.h"
#include "support/DossierTest.h"

#include <QList>
#include <QStringList>

namespace kovra::test {

// A scenario as the editor would make it, and a frame to run through it.
struct CasTraitement {
    QStringList actions;
    QList<int> places = {}; // per action; missing entries are 0
    int boucle = 0;
    int depart = 0;
    int nbrPartiel = 0; // records of this many fields; 0: whole frames
    QString sepDecimal = QStringLiteral(".");
    QByteArray trame;
};

// Runs frames through scenarios stored, compiled and loaded the way Kovra does it, in
// a fresh data folder.
class Traitement {
public:
    Traitement();

    DonneesTest t;
    EtatTraitement etat;
    EtatScenario scenario;
    QDate aujourdhui{2026, 3, 5};
    QString compteur = QStringLiteral("7");

    // Stores and compiles the scenario, loads it; the frame is not processed.
    void Prepare(const CasTraitement& cas);
    // Prepare, then process the frame; returns the output text.
    QString Execute(const CasTraitement& cas);
    // Processes a frame with the positions given rather than those of the compiled file.
    QString ExecuteAvec(const QByteArray& trame, const PositionsScenario& positions,
                        const QString& sepDecimal);

private:
    int numeroCas_ = 0;
};

} // namespace kovra::test
