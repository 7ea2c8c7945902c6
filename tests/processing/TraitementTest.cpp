#include "processing/TraitementTest.h"

#include "base/Windows1252.h"
#include "processing/TableTouches.h"
#include "processing/VidageDonnees.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"
#include "storage/GestionScenarios.h"

namespace kovra::test {

Traitement::Traitement() = default;

void Traitement::Prepare(const CasTraitement& cas) {
    BaseScen base(t.Chemin(kScenDb));
    const QString nom = QStringLiteral("Cas%1").arg(++numeroCas_);
    const qint16 n = CreeScenario(
        base, {nom, kTypeEmulation, static_cast<qint16>(cas.nbrPartiel), false, QString()});
    for (qsizetype i = 0; i < cas.actions.size(); ++i) {
        AjouteAction(base, n, cas.actions[i], i < cas.places.size() ? cas.places[i] : 0);
    }
    base.MetAJourBoucle(n, cas.boucle);
    base.MetAJourDepart(n, cas.depart);
    ExporteScenario(base, t.donnees, n);
    InfoBulleMuette bulle;
    ChargeScenario(scenario, nom, t.donnees, bulle, 1);
    scenario.ScenarioActif = nom;
}

QString Traitement::Execute(const CasTraitement& cas) {
    Prepare(cas);
    return ExecuteAvec(cas.trame, LitPositionsScenario(t.donnees, scenario.ScenarioActif),
                       cas.sepDecimal);
}

QString Traitement::ExecuteAvec(const QByteArray& octets, const PositionsScenario& positions,
                                const QString& sepDecimal) {
    const TableTouches touches = ChargeTableTouches(t.donnees);
    ProgressionMuette progression;
    QString trame = DecodeWindows1252(octets);
    VidageDonnees(trame, etat, progression);
    const ContexteTraitement ctx{positions,  sepDecimal, touches, [this] { return compteur; },
                                 aujourdhui, progression};
    return TraiteDonnees(trame, etat, scenario, ctx);
}

} // namespace kovra::test
