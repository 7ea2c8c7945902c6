// Any scenario and any frame: processing ends, and what it builds stays within what the
// scenario and the frame can give.
#include "base/Windows1252.h"
#include "processing/TableTouches.h"
#include "processing/TraiteDonnees.h"
#include "processing/VidageDonnees.h"
#include "storage/ScenarioActif.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    EtatScenario scenario;
    const int nbActions = fdp.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < nbActions; ++i) {
        static const char* const jetons[] = {"&CODE",      "&QTY",       "&TAB",     "&DATE",
                                             "&PASSLIGNE", "&INCREMENT", "&VALIDER", "&Timer 5",
                                             "^c",         "{ENTER}",    "Touche",   ""};
        if (fdp.ConsumeBool()) {
            scenario.ListeActions << jetons[fdp.ConsumeIntegralInRange<int>(0, 11)];
        } else {
            scenario.ListeActions << QString::fromStdString(fdp.ConsumeRandomLengthString(8));
        }
    }
    scenario.ChoixPartiel = fdp.ConsumeIntegralInRange<qint16>(0, 1);
    const int nbPlaces = fdp.ConsumeIntegralInRange(0, 6);
    for (int i = 1; i <= nbPlaces; ++i) {
        scenario.PlacesTrame.push_back(
            {static_cast<qint16>(i), fdp.ConsumeIntegralInRange<qint16>(-2, 8)});
    }
    const PositionsScenario positions{
        QString::number(fdp.ConsumeIntegralInRange(-3, 15)),
        fdp.ConsumeBool() ? QString() : QString::number(fdp.ConsumeIntegralInRange(-3, 15)),
        QString::number(fdp.ConsumeIntegralInRange(-1, 6))};
    const QString separateur = QString::fromStdString(fdp.ConsumeRandomLengthString(2));

    TableTouches touches;
    touches.Entrees[3] = {"{Touche}", "%{v}"};
    const std::string octets = fdp.ConsumeRemainingBytesAsString();
    QString trame = DecodeWindows1252(QByteArray::fromStdString(octets));

    ProgressionMuette progression;
    EtatTraitement etat;
    VidageDonnees(trame, etat, progression);
    const ContexteTraitement ctx{positions,         separateur,
                                 touches,           [] { return QString("41"); },
                                 QDate(2026, 3, 5), progression};
    const QString sortie = TraiteDonnees(trame, etat, scenario, ctx);
    // Each pass moves on or ends processing, so the output is bounded by the number of
    // passes (at most the frame's length plus one) times what one pass can add.
    const qsizetype parPasse = 64 * (nbActions + 1) + trame.size();
    if (sortie.size() > (trame.size() + 1) * parPasse * 2) {
        std::abort();
    }
    return 0;
}
