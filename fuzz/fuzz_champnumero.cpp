// ChampNumero on any text and separator, against the one-pass splitter the loaders use.
#include "storage/ScenarioActif.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const QString separateur = QString::fromStdString(fdp.ConsumeRandomLengthString(3));
    const int n = fdp.ConsumeIntegralInRange(-2, 40);
    const QString texte = QString::fromStdString(fdp.ConsumeRemainingBytesAsString());
    const QString item = ChampNumero(texte, n, separateur);
    if (item.size() > texte.size()) {
        std::abort();
    }
    const QStringList items = ItemsJusquAuVide(texte, separateur);
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].isEmpty() ||
            ChampNumero(texte, static_cast<int>(i) + 1, separateur) != items[i]) {
            std::abort();
        }
    }
    if (!separateur.isEmpty() &&
        !ChampNumero(texte, static_cast<int>(items.size()) + 1, separateur).isEmpty()) {
        std::abort();
    }
    return 0;
}
