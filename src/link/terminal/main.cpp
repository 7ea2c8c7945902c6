// kovra-terminal: a hand-held terminal on a serial line, for trying Kovra without one.
#include "base/Version.h"
#include "link/terminal/SimulateurTerminal.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <pty.h>
#include <sstream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

const char* kAide =
    "Usage: kovra-terminal --type HT630|PT630|Optimus|ScanPal [options]\n"
    "\n"
    "Plays a barcode terminal on a serial line. Without --device it makes a\n"
    "pseudo-terminal and prints its path on the first line: give that path to Kovra\n"
    "(key Peripherique of section Port_série in PortSerie.ini).\n"
    "\n"
    "  --device PATH     use this serial device instead\n"
    "  --file FILE       HT630/PT630: the data to send (it is followed by FINTRANSKOVRA\n"
    "                    for HT630); Optimus/ScanPal: the record lines, one a line\n"
    "  --text TEXT       the same, given on the command line (\\r and \\n understood)\n"
    "  --start MS        wait before pushing the transfer (default 1000)\n"
    "  --chunk N         send N bytes at a time ...\n"
    "  --pause MS        ... with this pause between them\n"
    "  --empty           PT630: send the empty transfer <DEL> CR LF\n"
    "  --connect         PT630: end the transfer with byte 255 (terminal connected)\n"
    "  --timeout MS      longest wait for READ or ACK (default 10000)\n"
    "  --linger MS       keep the line open this long after the exchange (default 1000)\n"
    "  --vanish N        Optimus/ScanPal: after N records, close the line at once\n"
    "                    without the end signal, as a terminal unplugged\n"
    "\n"
    "  --help            print this help and exit\n"
    "  --version         print the version and exit\n"
    "\n"
    "Exit status: 0 the exchange went through, 1 it failed, 2 wrong command line.\n";

std::string Echappe(const std::string& s) {
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'r' || s[i + 1] == 'n')) {
            r += s[++i] == 'r' ? '\r' : '\n';
        } else {
            r += s[i];
        }
    }
    return r;
}

} // namespace

namespace {

int Principal(int argc, char* argv[]) {
    kovra::ScenarioTerminal s;
    std::string peripherique;
    int reste = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto valeur = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "kovra-terminal: " << a << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        const auto nombre = [&]() {
            const std::string v = valeur();
            char* fin = nullptr;
            const long n = std::strtol(v.c_str(), &fin, 10);
            if (v.empty() || *fin != '\0' || n < 0 || n > 100000000) {
                std::cerr << "kovra-terminal: " << a << " needs a whole number\n";
                std::exit(2);
            }
            return static_cast<int>(n);
        };
        if (a == "--help") {
            std::cout << kAide;
            return 0;
        } else if (a == "--version") {
            std::cout << "kovra-terminal " << kovra::kVersionTexte << "\n";
            return 0;
        } else if (a == "--type") {
            s.type = valeur();
        } else if (a == "--device") {
            peripherique = valeur();
        } else if (a == "--file") {
            std::ifstream f(valeur(), std::ios::binary);
            if (!f) {
                std::cerr << "kovra-terminal: cannot read " << argv[i] << "\n";
                return 1;
            }
            std::ostringstream o;
            o << f.rdbuf();
            s.donnees = o.str();
        } else if (a == "--text") {
            s.donnees = Echappe(valeur());
        } else if (a == "--start") {
            s.attenteDebut = nombre();
        } else if (a == "--chunk") {
            s.morceau = static_cast<std::size_t>(nombre());
        } else if (a == "--pause") {
            s.pauseMorceaux = nombre();
        } else if (a == "--timeout") {
            s.delaiReponse = nombre();
        } else if (a == "--linger") {
            reste = nombre();
        } else if (a == "--vanish") {
            s.disparaitApres = nombre();
        } else if (a == "--empty") {
            s.vide = true;
        } else if (a == "--connect") {
            s.connexion = true;
        } else {
            std::cerr << "kovra-terminal: unknown option " << a << "\n" << kAide;
            return 2;
        }
    }
    if (s.type.empty()) {
        std::cerr << kAide;
        return 2;
    }

    int fd = -1;
    int esclave = -1;
    if (peripherique.empty()) {
        char nom[256] = {};
        if (openpty(&fd, &esclave, nom, nullptr, nullptr) != 0) {
            std::cerr << "kovra-terminal: no pseudo-terminal: " << std::strerror(errno) << "\n";
            return 1;
        }
        termios t{};
        tcgetattr(esclave, &t);
        cfmakeraw(&t);
        tcsetattr(esclave, TCSANOW, &t);
        std::cout << nom << std::endl;
    } else {
        fd = open(peripherique.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0) {
            std::cerr << "kovra-terminal: cannot open " << peripherique << ": "
                      << std::strerror(errno) << "\n";
            return 1;
        }
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    const int statut = kovra::JoueTerminal(
        fd, s, [](const std::string& ligne) { std::cout << ligne << std::endl; });
    if (s.disparaitApres < 0) {
        usleep(static_cast<useconds_t>(reste) * 1000);
    }
    close(fd);
    if (esclave >= 0) {
        close(esclave);
    }
    return statut;
}

} // namespace

int main(int argc, char* argv[]) {
    // The last resort: whatever escapes is said, and the run ends with a failure status.
    try {
        return Principal(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "kovra-terminal: unexpected error: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "kovra-terminal: unexpected error\n";
    }
    return 70;
}
