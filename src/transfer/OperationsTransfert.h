#pragma once

#include "transfer/BibliothequeMultidll.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace kovra {

// The library's port and the terminal's address every call uses, and how the port opens.
inline constexpr int32_t kPortMultidll = 1;
inline constexpr uint8_t kAdresseTerminal = 65;
struct ParametresPortMultidll {
    int32_t baud = 9600, dataBits = 8, parity = 0, stopBits = 1;
};

// The terminal's files the window moves, and the PC's.
inline const QString kFichierTerminalUpload = QStringLiteral("TESTFILE.$$$");
inline const QString kFichierTerminalDownload = QStringLiteral("ESSAIS.TXT");
inline const QString kFichierPcUpload = QStringLiteral("TESTFIL2.$$$"); // in the data folder
inline const QString kFichierTestPc = QStringLiteral("TESTFILE.$$$");   // in the data folder

// The text of a result code of the library ("Succesfull", ..., "Undefined error: 17").
QString LibelleErreur(int32_t code);

// A "Set" box's text as the value to pass: its leading numeric part ("12ab" gives 12, ""
// and "abc" give 0), rounded; nothing when it does not fit in 32 bits (refused).
std::optional<int32_t> ValeurReglage(const QString& texte);

// Why the PC file cannot be sent to the terminal (missing, a folder, unreadable), in a
// sentence for the user; empty when it can.
QString RefusFichierAEnvoyer(const QString& chemin);

// What a transfer has moved so far.
struct AvancementTransfert {
    int32_t octets = 0;
    int32_t paquets = 0;
    int32_t total = 0;
};

// One upload (terminal to PC) or download (PC to terminal), run one packet at a time so
// that the caller lets its event loop turn between packets. Each message for the user goes
// to `message` with its prefix ("Upload1: ", "Powersave off, error: ", ...), as the window
// shows it.
class Transfert {
public:
    enum class Sens { VersPc, VersTerminal };

    Transfert(BibliothequeMultidll& bibliotheque, Sens sens, QString fichierTerminal,
              QString fichierPc, std::function<void(const QString&)> message);

    // The calls before the first packet (file check, power saving off, upload1/download1).
    // False when the transfer ends there (the user was told why); power saving is put back
    // on then if it was switched off. A PC file to send that cannot be read is refused
    // before any call.
    [[nodiscard]] bool Demarre();
    // Moves one packet. True while packets remain; at the end (success or failure) the
    // result is told, power saving is put back on, and false is returned.
    [[nodiscard]] bool Etape();
    // Stops after the current packet: power saving back on. Nothing when already over.
    void Arrete();

    const AvancementTransfert& Avancement() const { return avancement_; }
    bool Fini() const { return fini_; }
    // Whether the library said "Succesfull" at the end.
    bool Reussi() const { return reussi_; }

private:
    void Termine();

    BibliothequeMultidll& b_;
    Sens sens_;
    QByteArray terminal_; // Windows-1252
    QByteArray pc_;       // the file system's encoding
    std::function<void(const QString&)> message_;
    AvancementTransfert avancement_;
    bool nomTerminalIntransmissible_ = false; // a character Windows-1252 cannot hold
    bool economieCoupee_ = false;
    bool fini_ = false;
    bool reussi_ = false;
};

// Writes the test file: 450 records of 256 bytes, each a 16-bit little-endian length 250,
// 250 "x" and four zero bytes; replaces a file of that name entirely. `progression` gets the
// record number after each record. Throws ErreurKovra when the file cannot be written.
void EcritFichierTest(const QString& chemin, const std::function<void(int)>& progression = {});
inline constexpr int kEnregistrementsTest = 450;

} // namespace kovra
