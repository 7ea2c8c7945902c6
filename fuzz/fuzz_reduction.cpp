// Partial-frame reduction on any frame and any list of places.
#include "base/Windows1252.h"
#include "processing/ReductionPartielle.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const int nbr = fdp.ConsumeIntegralInRange(-2, 10);
    std::vector<PlaceTrame> places{PlaceTrame{}};
    const int nbPlaces = fdp.ConsumeIntegralInRange(0, 8);
    for (int i = 1; i <= nbPlaces; ++i) {
        places.push_back({fdp.ConsumeIntegralInRange<qint16>(-1, 9),
                          fdp.ConsumeIntegralInRange<qint16>(-2, 12)});
    }
    const QString trame =
        DecodeWindows1252(QByteArray::fromStdString(fdp.ConsumeRemainingBytesAsString()));
    const QString r = ReduitTramePartielle(trame, nbr, places);
    if (nbr < 1) {
        if (r != trame) {
            std::abort();
        }
        return 0;
    }
    // One line per listed place for each complete record.
    const qsizetype records = trame.count(u'\r') / nbr;
    if (r.count(u'\r') != records * nbPlaces) {
        std::abort();
    }
    return 0;
}
