// The settings-file reader and writer on any bytes, names and values: reading never fails,
// a file loaded and saved unchanged keeps every byte, a refused write changes nothing, and
// a value written reads back the same from the saved bytes, unchanged when it is a plain
// one, while another key keeps its value.
#include "base/Windows1252.h"
#include "storage/FichierProfil.h"

#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>

using namespace kovra;

namespace {

void Verifie(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A value that a reading gives back exactly as written.
bool Simple(const QString& v) {
    bool perte = false;
    EncodeWindows1252(v, &perte);
    return !perte && v.size() <= DocumentProfil::kLongueurMax && v == v.trimmed() &&
           ValeurRelueTelle(v) == v && !v.contains(u'\r') && !v.contains(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    const QString section = QString::fromStdString(fdp.ConsumeRandomLengthString(8));
    const QString cle = QString::fromStdString(fdp.ConsumeRandomLengthString(8));
    const QString valeur = QString::fromStdString(fdp.ConsumeRandomLengthString(24));
    const EncodageFichier encodage =
        fdp.ConsumeBool() ? EncodageFichier::Detecte : EncodageFichier::Windows1252;
    const QByteArray octets = QByteArray::fromStdString(fdp.ConsumeRemainingBytesAsString());

    DocumentProfil doc = DocumentProfil::DepuisOctets(octets, encodage);
    Verifie(doc.EnOctets() == octets);
    const QString autreSection = QStringLiteral("Port_série");
    const QString autreCle = QStringLiteral("Port");
    const QString autre = doc.Lit(autreSection, autreCle);
    (void)doc.Lit(section, cle);

    if (!doc.Ecrit(section, cle, valeur)) {
        Verifie(doc.EnOctets() == octets);
        return 0;
    }
    const QString lu = doc.Lit(section, cle);
    const DocumentProfil relu = DocumentProfil::DepuisOctets(doc.EnOctets(), encodage);
    Verifie(relu.Lit(section, cle) == lu);
    if (Simple(valeur)) {
        Verifie(lu == valeur);
    }
    const bool memeCle = section.trimmed().compare(autreSection, Qt::CaseInsensitive) == 0 &&
                         cle.trimmed().compare(autreCle, Qt::CaseInsensitive) == 0;
    if (!memeCle) {
        Verifie(relu.Lit(autreSection, autreCle) == autre);
    }
    return 0;
}
