#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace kovra {

// The transfer library's functions, behind an interface so that the window and kovra-cli
// do not care how the library was found. Port is the library's own port number, address
// the terminal's address; texts are already encoded as the library expects them.
class BibliothequeMultidll {
public:
    virtual ~BibliothequeMultidll() = default;

    virtual int32_t OpenCommPort(int32_t port, int32_t baud, int32_t dataBits, int32_t parity,
                                 int32_t stopBits) = 0;
    virtual int32_t CloseCommPort(int32_t port) = 0;
    virtual int32_t FileExist(int32_t port, uint8_t address, const char* terminalFile,
                              int32_t* size) = 0;
    virtual int32_t PowerSavingOff(int32_t port, uint8_t address) = 0;
    virtual int32_t PowerSavingOn(int32_t port, uint8_t address) = 0;
    virtual int32_t Upload1(int32_t port, uint8_t address, const char* terminalFile,
                            char* pcFile) = 0;
    virtual int32_t GetReturnStringLength(int32_t which) = 0;
    virtual int32_t Upload2(int32_t* bytes, int32_t* packets) = 0;
    virtual int32_t Download1(int32_t port, uint8_t address, const char* pcFile,
                              const char* terminalFile, int32_t* total) = 0;
    virtual int32_t Download2(int32_t* bytes, int32_t* packets) = 0;
    virtual int32_t GetEscDelay() = 0;
    virtual int32_t GetNakDelay() = 0;
    virtual int32_t GetTimeOut() = 0;
    virtual int32_t SetEscDelay(int32_t v) = 0;
    virtual int32_t SetNakDelay(int32_t v) = 0;
    virtual int32_t SetTimeOut(int32_t v) = 0;
    virtual int16_t Version() = 0;
};

// What looking for the library came to.
struct ChargementMultidll {
    std::unique_ptr<BibliothequeMultidll> bibliotheque; // none when not found or incomplete
    QString chemin;                                     // the file loaded, or the last one tried
    QString erreur;      // for the user: which library is missing, or which function it lacks
    QStringList essayes; // when none was found: the files looked for, in order
};

// The file name of the library on this system ("libMultidll.so").
QString NomFichierMultidll();

// Loads the library and resolves every function at once. Looked for, in this order: the
// path given (`explicite`, e.g. --library), $KOVRA_MULTIDLL, the data folder, the
// program's own library folder (<program folder>/../lib/kovra), then the system's search
// path. A path given (`explicite`, else $KOVRA_MULTIDLL) is the only one tried: when it
// does not load, no other library is taken in its place. A library found that lacks a
// function is reported as it stands; the search does not go on past it.
ChargementMultidll ChargeMultidll(const QString& explicite, const QString& dossierDonnees);

} // namespace kovra
