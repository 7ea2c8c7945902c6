// The settings-file reader and writer on any bytes: reading never fails, and a value
// written reads back as written.
#include "storage/FichierProfil.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const QString section = QString::fromStdString(fdp.ConsumeRandomLengthString(6));
    const QString cle = QString::fromStdString(fdp.ConsumeRandomLengthString(6));
    const int valeur = fdp.ConsumeIntegral<int>();
    DocumentProfil doc = DocumentProfil::DepuisOctets(
        QByteArray::fromStdString(fdp.ConsumeRemainingBytesAsString()));
    (void)doc.Lit(section, cle);
    (void)doc.Lit(QStringLiteral("Port_série"), QStringLiteral("Port"));

    // Names that a profile file can hold: no brackets, "=", ";" or line breaks.
    const QString s = QStringLiteral("Section");
    const QString k = QStringLiteral("Cle");
    doc.Ecrit(s, k, QString::number(valeur));
    const DocumentProfil relu = DocumentProfil::DepuisOctets(doc.EnOctets());
    if (relu.Lit(s, k) != QString::number(valeur) || doc.Lit(s, k) != QString::number(valeur)) {
        std::abort();
    }
    return 0;
}
