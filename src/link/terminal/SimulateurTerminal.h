#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kovra {

// What the simulated terminal does.
struct ScenarioTerminal {
    std::string type;         // HT630, PT630, Optimus, ScanPal
    std::string donnees;      // bytes to send (HT630, PT630), or record lines (one a line)
    std::size_t morceau = 0;  // send in pieces of this many bytes (0: at once)
    int pauseMorceaux = 0;    // milliseconds between pieces
    int attenteDebut = 1000;  // milliseconds before pushing (HT630, PT630)
    int delaiReponse = 10000; // longest wait for READ or ACK, in milliseconds
    bool vide = false;        // PT630: send "<DEL>" CR LF
    bool connexion = false;   // PT630: send the byte 255
    int disparaitApres = -1;  // Optimus/ScanPal: records sent before the line goes dead
                              // without the end signal (-1: never)
};

// Plays a terminal on a file descriptor (the master side of a pseudo-terminal, or a
// serial device): pushes a transfer, or answers an acquisition. Every line it sends or
// receives is reported through `journal`. Returns 0 when the exchange went through.
int JoueTerminal(int fd, const ScenarioTerminal& scenario,
                 const std::function<void(const std::string&)>& journal);

} // namespace kovra
