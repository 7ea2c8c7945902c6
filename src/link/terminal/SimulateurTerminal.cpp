#include "link/terminal/SimulateurTerminal.h"

#include <chrono>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace kovra {

namespace {

void Dort(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool Ecrit(int fd, const std::string& octets) {
    std::size_t envoye = 0;
    while (envoye < octets.size()) {
        const ssize_t n = write(fd, octets.data() + envoye, octets.size() - envoye);
        if (n > 0) {
            envoye += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            Dort(1);
        }
    }
    return true;
}

// Reads up to a carriage return; false on time-out or a closed line.
bool LitLigne(int fd, std::string& ligne, int delaiMs) {
    ligne.clear();
    const auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(delaiMs);
    for (;;) {
        const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
                               limite - std::chrono::steady_clock::now())
                               .count();
        if (reste <= 0) {
            return false;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(reste)) <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t n = read(fd, &c, 1);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            return false;
        }
        if (c == '\r') {
            return true;
        }
        ligne += c;
    }
}

std::string Visible(const std::string& s) {
    std::string v;
    for (const unsigned char c : s) {
        if (c == '\r') {
            v += "<CR>";
        } else if (c == '\n') {
            v += "<LF>";
        } else if (c < 32 || c >= 127) {
            v += '<';
            v += std::to_string(c);
            v += '>';
        } else {
            v += static_cast<char>(c);
        }
    }
    return v;
}

} // namespace

int JoueTerminal(int fd, const ScenarioTerminal& s,
                 const std::function<void(const std::string&)>& journal) {
    if (s.type == "HT630" || s.type == "PT630") {
        std::string envoi = s.donnees;
        if (s.type == "HT630") {
            envoi += "FINTRANSKOVRA";
        } else if (s.vide) {
            envoi = "<DEL>\r\n";
        } else if (s.connexion) {
            envoi += '\xFF';
        }
        Dort(s.attenteDebut);
        const std::size_t pas = s.morceau == 0 ? envoi.size() : s.morceau;
        for (std::size_t i = 0; i < envoi.size(); i += pas) {
            if (i > 0) {
                Dort(s.pauseMorceaux);
            }
            if (!Ecrit(fd, envoi.substr(i, pas))) {
                journal("error: the line closed");
                return 1;
            }
        }
        journal("sent " + std::to_string(envoi.size()) +
                " bytes: " + Visible(envoi.substr(0, 200)));
        return 0;
    }
    if (s.type != "Optimus" && s.type != "ScanPal") {
        journal("error: unknown terminal type " + s.type);
        return 2;
    }
    std::string ligne;
    if (!LitLigne(fd, ligne, s.delaiReponse) || ligne != "READ") {
        journal("error: no READ (received " + Visible(ligne) + ")");
        return 1;
    }
    journal("received READ");
    // Record lines end with a carriage return or a line feed.
    std::string donnees = s.donnees;
    for (char& c : donnees) {
        c = c == '\r' ? '\n' : c;
    }
    std::istringstream lignes(donnees);
    std::string enregistrement;
    int envoyes = 0;
    while (std::getline(lignes, enregistrement)) {
        if (enregistrement.empty()) {
            continue;
        }
        if (envoyes == s.disparaitApres) {
            journal("vanished after " + std::to_string(envoyes) + " records");
            return 0;
        }
        ++envoyes;
        if (!Ecrit(fd, enregistrement + "\r")) {
            journal("error: the line closed");
            return 1;
        }
        journal("sent " + Visible(enregistrement));
        if (!LitLigne(fd, ligne, s.delaiReponse) || ligne != "ACK") {
            journal("error: no ACK (received " + Visible(ligne) + ")");
            return 1;
        }
        journal("received ACK");
    }
    if (envoyes == s.disparaitApres) {
        journal("vanished after " + std::to_string(envoyes) + " records");
        return 0;
    }
    const std::string fin = s.type == "ScanPal" ? "OVER\rOVER\r" : "OVER\r";
    Ecrit(fd, fin);
    journal("sent " + Visible(fin));
    return 0;
}

} // namespace kovra
