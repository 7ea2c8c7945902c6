#pragma once

#include <QString>

namespace kovra {

// The terminal types Kovra knows, from key "Protocol" of PortSerie.ini.
enum class GenreTerminal {
    Aucun,   // any other text: a terminal Kovra neither listens to nor asks
    HT630,   // pushes its transfer, ended by FINTRANSKOVRA
    PT630,   // pushes its transfer, ended by silence
    Optimus, // keeps its records until an acquisition asks for them
    ScanPal, // as Optimus, with a double end signal
};

// The type a "Protocol" text names, compared exactly (case included).
GenreTerminal LitGenreTerminal(const QString& protocole);

// Whether the type hands its records over only when an acquisition asks.
inline bool ParAcquisition(GenreTerminal type) {
    return type == GenreTerminal::Optimus || type == GenreTerminal::ScanPal;
}

// The terminal side of the program's state.
struct EtatLiaison {
    GenreTerminal TypeTerminal = GenreTerminal::Aucun;
    QString Protocole;  // the "Protocol" text the type was read from, for messages
    QString TrameRecue; // the last complete transfer
    bool EnReception = false;
};

} // namespace kovra
