#pragma once

#include "base/Progression.h"
#include "processing/EtatTraitement.h"
#include "processing/TableTouches.h"
#include "storage/Registre.h"
#include "storage/ScenarioActif.h"

#include <QDate>
#include <QString>
#include <functional>

namespace kovra {

// The positions a scenario's compiled file gives, as the texts written there (possibly
// empty): loop and start positions, and the number of fields of a partial-frame record.
struct PositionsScenario {
    QString Boucle;
    QString Depart;
    QString Nbr;
};

// Reads them from Scenarios/<nom>.ini of the data folder.
PositionsScenario LitPositionsScenario(const QString& dossierDonnees, const QString& nom);

// Everything besides the frame and the scenario that processing reads.
struct ContexteTraitement {
    PositionsScenario positions;
    QString SepDecimal;
    const TableTouches& touches;
    // Hands out the counter value of the frame (called once per frame).
    std::function<QString()> compteurSuivant;
    QDate aujourdhui;
    Progression& progression;
    // Whether fields typed into the focused window keep the key syntax they may hold (a
    // site whose terminals send "~" for Enter or "{F5}" on purpose); otherwise each field
    // is typed as its characters. Fields written to a file are always written as they are.
    bool champsTouches = false;
};

// The context of a frame processed on the scenario `nom` of the data folder: its positions,
// the registry's settings as the run holds them, today, and the frame's counter value.
ContexteTraitement ContexteScenario(const QString& dossierDonnees, const QString& nom,
                                    const MiroirsRegistre& miroirs, const TableTouches& touches,
                                    const QString& compteur, Progression& progression);

// Turns a frame into the scenario's output text. Must follow VidageDonnees on the same
// frame. In partial-frame mode the frame is first replaced by its reduced form (and cut
// again). Field actions take the fields in order, tokens expand, other actions are
// looked up as special keys (fields of a typing scenario are typed as their characters
// unless ctx.champsTouches says otherwise), and the passes over the action list repeat from the
// loop position until every field is taken. A pass that takes no field and does not move through
// the frame ends processing with what has been built.
QString TraiteDonnees(QString& trame, EtatTraitement& etat, const EtatScenario& scenario,
                      const ContexteTraitement& ctx);

// A whole frame through processing: cut into fields, then TraiteDonnees.
QString TraiteTrame(QString trame, EtatTraitement& etat, const EtatScenario& scenario,
                    const ContexteTraitement& ctx);

} // namespace kovra
