// A stand-in for the terminal maker's transfer library: it plays one terminal (address 65,
// the letter A) whose files are the files of a folder, and moves them in packets of 128
// bytes, one per HM_upload2 / HM_download2 call. Tests load it in place of the real library,
// and a user without the real one can try the transfer window with it.
//
// Its environment is read at each call, so a process can change it between two calls:
//   KOVRA_MULTIDLL_TERMINAL  the terminal's folder (default: "kovra-terminal" in the
//                            system's temporary folder; created when a file is sent to it)
//   KOVRA_MULTIDLL_JOURNAL   a file to which every call is appended, one line each, with
//                            its arguments in, e.g. HM_file_exist(1,65,"TESTFILE.$$$")
//   KOVRA_MULTIDLL_ECHEC     failures to play, separated by commas: "F:C" makes every call
//                            of the function F answer the code C, "F@N:C" only its N-th
//                            call (counted from the library's load, or for HM_upload2 and
//                            HM_download2 from the start of the current transfer: the N-th
//                            packet). A failing call does nothing else; a failing packet
//                            ends its transfer.
//   KOVRA_MULTIDLL_SANS_FIN  "1": HM_upload2 and HM_download2 answer 1 (more to come)
//                            forever, moving nothing once the file is through
//   KOVRA_MULTIDLL_LENT      milliseconds each packet takes, as over a slow serial line
//
// Like the real library, it keeps its state (port, timings, the transfer under way) in the
// process for as long as it is loaded. Transfer calls answer 4 (time out) while the port is
// closed or when the address is not the terminal's, as a terminal that does not answer.
// Built with KOVRA_MULTIDLL_SANS_VERSION, HM_version is left out (a library lacking one
// function, for the loader's tests).

#pragma GCC visibility push(default)
#include "transfer/Multidll.h"
#pragma GCC visibility pop

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint8_t kAdresse = 65;
constexpr std::size_t kTaillePaquet = 128;
constexpr int32_t kReussi = 0;
constexpr int32_t kEncore = 1;
constexpr int32_t kCommandeIllegale = 2;
constexpr int32_t kDelaiDepasse = 4;
constexpr int32_t kFichierAbsent = 30;
constexpr int32_t kNomIllegal = 31;
constexpr int32_t kErreurOuverture = 34;

// A file moving from one side to the other.
struct TransfertEnCours {
    std::vector<char> donnees;
    std::size_t position = 0;
    std::ofstream destination;
    int32_t paquets = 0;
    int appels = 0; // packet calls since the start, failed ones included
};

// What the terminal and the library keep between calls.
struct Etat {
    std::mutex verrou;
    bool portOuvert = false;
    int32_t port = 0;
    bool economie = true;
    int32_t delaiEsc = 2, delaiNak = 3, delaiMax = 10;
    std::string dernierNom;                         // the PC file name of the last HM_upload1
    std::optional<TransfertEnCours> montee;         // terminal to PC
    std::optional<TransfertEnCours> descente;       // PC to terminal
    std::map<std::string, int, std::less<>> appels; // calls per function since the load
};

// The one terminal of this library: a C interface keeps its state between calls.
Etat& LEtat() {
    static Etat etat;
    return etat;
}

std::string Variable(const char* nom) {
    const char* valeur = std::getenv(nom);
    return valeur == nullptr ? std::string() : std::string(valeur);
}

// A text argument as the journal shows it.
std::string Texte(const char* s) {
    return s == nullptr ? std::string("NULL") : '"' + std::string(s) + '"';
}

void Journalise(const std::string& ligne) {
    const std::string chemin = Variable("KOVRA_MULTIDLL_JOURNAL");
    if (!chemin.empty()) {
        std::ofstream(chemin, std::ios::app | std::ios::binary) << ligne << '\n';
    }
}

// The code KOVRA_MULTIDLL_ECHEC asks `fonction` to answer at its `numero`-th call, if any.
std::optional<int32_t> EchecDemande(std::string_view fonction, int numero) {
    std::stringstream regles(Variable("KOVRA_MULTIDLL_ECHEC"));
    std::string regle;
    while (std::getline(regles, regle, ',')) {
        const std::size_t deuxPoints = regle.rfind(':');
        if (deuxPoints == std::string::npos) {
            continue;
        }
        std::string nom = regle.substr(0, deuxPoints);
        const std::size_t arobase = nom.find('@');
        if (arobase != std::string::npos) {
            if (std::atoi(nom.c_str() + arobase + 1) != numero) {
                continue;
            }
            nom.resize(arobase);
        }
        if (nom == fonction) {
            return static_cast<int32_t>(std::atol(regle.c_str() + deuxPoints + 1));
        }
    }
    return std::nullopt;
}

// Counts and records a call; the code to answer instead of doing it, if one is asked for.
// Packet calls are counted within their transfer (`transfert`).
std::optional<int32_t> Appel(Etat& e, const char* fonction, const std::string& arguments,
                             TransfertEnCours* transfert = nullptr) {
    Journalise(std::string(fonction) + '(' + arguments + ')');
    const int numero = transfert != nullptr ? ++transfert->appels : ++e.appels[fonction];
    return EchecDemande(fonction, numero);
}

std::string Nombres(std::initializer_list<long> valeurs) {
    std::string s;
    for (const long v : valeurs) {
        s += (s.empty() ? "" : ",") + std::to_string(v);
    }
    return s;
}

bool TerminalRepond(const Etat& e, int32_t port, uint8_t adresse) {
    return e.portOuvert && port == e.port && adresse == kAdresse;
}

fs::path DossierTerminal() {
    const std::string dossier = Variable("KOVRA_MULTIDLL_TERMINAL");
    if (!dossier.empty()) {
        return fs::path(dossier);
    }
    std::error_code erreur;
    const fs::path temporaire = fs::temp_directory_path(erreur);
    return (erreur ? fs::path("/tmp") : temporaire) / "kovra-terminal";
}

// A terminal file name (Windows-1252) as a file of the terminal's folder; nothing when the
// name could leave the folder.
std::optional<fs::path> FichierTerminal(const char* nom) {
    static constexpr char16_t kPlage80[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    if (nom == nullptr || *nom == '\0' || std::strcmp(nom, ".") == 0 ||
        std::strcmp(nom, "..") == 0 || std::strchr(nom, '/') != nullptr) {
        return std::nullopt;
    }
    std::string utf8;
    for (const char* p = nom; *p != '\0'; ++p) {
        const auto o = static_cast<unsigned char>(*p);
        const char16_t c = (o >= 0x80 && o < 0xA0) ? kPlage80[o - 0x80] : char16_t(o);
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return DossierTerminal() / utf8;
}

std::optional<std::vector<char>> LitFichier(const fs::path& chemin) {
    std::error_code erreur;
    if (!fs::is_regular_file(chemin, erreur)) {
        return std::nullopt;
    }
    std::ifstream f(chemin, std::ios::binary);
    if (!f) {
        return std::nullopt;
    }
    return std::vector<char>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Moves one packet of `t`; the transfer is dropped when it ends (or fails).
int32_t Paquet(std::optional<TransfertEnCours>& t, int32_t* octets, int32_t* paquets) {
    const std::string lent = Variable("KOVRA_MULTIDLL_LENT");
    if (!lent.empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(lent.c_str())));
    }
    const std::size_t reste = t->donnees.size() - t->position;
    const std::size_t n = reste < kTaillePaquet ? reste : kTaillePaquet;
    if (n > 0) {
        t->destination.write(t->donnees.data() + t->position, static_cast<std::streamsize>(n));
        t->destination.flush();
        t->position += n;
        ++t->paquets;
    }
    if (octets != nullptr) {
        *octets = static_cast<int32_t>(t->position);
    }
    if (paquets != nullptr) {
        *paquets = t->paquets;
    }
    if (!t->destination) {
        t.reset();
        return kErreurOuverture;
    }
    if (t->position < t->donnees.size() || Variable("KOVRA_MULTIDLL_SANS_FIN") == "1") {
        return kEncore;
    }
    t.reset();
    return kReussi;
}

int32_t Paquets(const char* fonction, std::optional<TransfertEnCours>& t, int32_t* octets,
                int32_t* paquets) {
    Etat& e = LEtat();
    if (!t) {
        Appel(e, fonction, "");
        return kCommandeIllegale;
    }
    if (const auto code = Appel(e, fonction, "", &*t)) {
        t.reset();
        return *code;
    }
    if (!e.portOuvert) {
        t.reset();
        return kDelaiDepasse;
    }
    return Paquet(t, octets, paquets);
}

int32_t Reglage(const char* fonction, int32_t& valeur, int32_t nouvelle) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code = Appel(e, fonction, Nombres({nouvelle}))) {
        return *code;
    }
    valeur = nouvelle;
    return kReussi;
}

int32_t Lecture(const char* fonction, const int32_t& valeur) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code = Appel(e, fonction, "")) {
        return *code;
    }
    return valeur;
}

int32_t Economie(const char* fonction, int32_t port, uint8_t adresse, bool active) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code = Appel(e, fonction, Nombres({port, adresse}))) {
        return *code;
    }
    if (!TerminalRepond(e, port, adresse)) {
        return kDelaiDepasse;
    }
    e.economie = active;
    return kReussi;
}

} // namespace

extern "C" {

int32_t KOVRA_MULTIDLL_APPEL HM_OpenCommPort(int32_t port, int32_t baud, int32_t dataBits,
                                             int32_t parity, int32_t stopBits) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code =
            Appel(e, "HM_OpenCommPort", Nombres({port, baud, dataBits, parity, stopBits}))) {
        return *code;
    }
    e.portOuvert = true;
    e.port = port;
    return kReussi;
}

int32_t KOVRA_MULTIDLL_APPEL HM_CloseCommPort(int32_t port) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code = Appel(e, "HM_CloseCommPort", Nombres({port}))) {
        return *code;
    }
    if (e.portOuvert && port == e.port) {
        e.portOuvert = false;
    }
    return kReussi;
}

int32_t KOVRA_MULTIDLL_APPEL HM_file_exist(int32_t port, uint8_t address, const char* terminalFile,
                                           int32_t* size) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code =
            Appel(e, "HM_file_exist", Nombres({port, address}) + ',' + Texte(terminalFile))) {
        return *code;
    }
    if (!TerminalRepond(e, port, address)) {
        return kDelaiDepasse;
    }
    const auto fichier = FichierTerminal(terminalFile);
    if (!fichier) {
        return kNomIllegal;
    }
    std::error_code erreur;
    const auto taille = fs::file_size(*fichier, erreur);
    if (erreur || !fs::is_regular_file(*fichier, erreur)) {
        return kFichierAbsent;
    }
    if (size != nullptr) {
        *size = static_cast<int32_t>(taille);
    }
    return kReussi;
}

int32_t KOVRA_MULTIDLL_APPEL HM_power_saving_off(int32_t port, uint8_t address) {
    return Economie("HM_power_saving_off", port, address, false);
}

int32_t KOVRA_MULTIDLL_APPEL HM_power_saving_on(int32_t port, uint8_t address) {
    return Economie("HM_power_saving_on", port, address, true);
}

int32_t KOVRA_MULTIDLL_APPEL HM_upload1(int32_t port, uint8_t address, const char* terminalFile,
                                        char* pcFile) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code =
            Appel(e, "HM_upload1",
                  Nombres({port, address}) + ',' + Texte(terminalFile) + ',' + Texte(pcFile))) {
        return *code;
    }
    if (!TerminalRepond(e, port, address)) {
        return kDelaiDepasse;
    }
    const auto fichier = FichierTerminal(terminalFile);
    if (!fichier || pcFile == nullptr || *pcFile == '\0') {
        return kNomIllegal;
    }
    auto donnees = LitFichier(*fichier);
    if (!donnees) {
        return kFichierAbsent;
    }
    TransfertEnCours t;
    t.destination.open(fs::path(std::string(pcFile)), std::ios::binary | std::ios::trunc);
    if (!t.destination) {
        return kErreurOuverture;
    }
    t.donnees = std::move(*donnees);
    e.montee = std::move(t);
    e.dernierNom = pcFile;
    return kReussi;
}

int32_t KOVRA_MULTIDLL_APPEL HM_get_return_string_length(int32_t which) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code = Appel(e, "HM_get_return_string_length", Nombres({which}))) {
        return *code;
    }
    return which == 0 ? static_cast<int32_t>(e.dernierNom.size()) : 0;
}

int32_t KOVRA_MULTIDLL_APPEL HM_upload2(int32_t* bytes, int32_t* packets) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    return Paquets("HM_upload2", e.montee, bytes, packets);
}

int32_t KOVRA_MULTIDLL_APPEL HM_download1(int32_t port, uint8_t address, const char* pcFile,
                                          const char* terminalFile, int32_t* total) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code =
            Appel(e, "HM_download1",
                  Nombres({port, address}) + ',' + Texte(pcFile) + ',' + Texte(terminalFile))) {
        return *code;
    }
    if (!TerminalRepond(e, port, address)) {
        return kDelaiDepasse;
    }
    const auto fichier = FichierTerminal(terminalFile);
    if (!fichier || pcFile == nullptr || *pcFile == '\0') {
        return kNomIllegal;
    }
    auto donnees = LitFichier(fs::path(std::string(pcFile)));
    if (!donnees) {
        return kErreurOuverture;
    }
    std::error_code erreur;
    fs::create_directories(fichier->parent_path(), erreur);
    TransfertEnCours t;
    t.destination.open(*fichier, std::ios::binary | std::ios::trunc);
    if (!t.destination) {
        return kErreurOuverture;
    }
    if (total != nullptr) {
        *total = static_cast<int32_t>(donnees->size());
    }
    t.donnees = std::move(*donnees);
    e.descente = std::move(t);
    return kReussi;
}

int32_t KOVRA_MULTIDLL_APPEL HM_download2(int32_t* bytes, int32_t* packets) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    return Paquets("HM_download2", e.descente, bytes, packets);
}

int32_t KOVRA_MULTIDLL_APPEL HM_get_ESC_delay(void) {
    return Lecture("HM_get_ESC_delay", LEtat().delaiEsc);
}

int32_t KOVRA_MULTIDLL_APPEL HM_get_NAK_delay(void) {
    return Lecture("HM_get_NAK_delay", LEtat().delaiNak);
}

int32_t KOVRA_MULTIDLL_APPEL HM_get_time_out(void) {
    return Lecture("HM_get_time_out", LEtat().delaiMax);
}

int32_t KOVRA_MULTIDLL_APPEL HM_set_ESC_delay(int32_t v) {
    return Reglage("HM_set_ESC_delay", LEtat().delaiEsc, v);
}

int32_t KOVRA_MULTIDLL_APPEL HM_set_NAK_delay(int32_t v) {
    return Reglage("HM_set_NAK_delay", LEtat().delaiNak, v);
}

int32_t KOVRA_MULTIDLL_APPEL HM_set_time_out(int32_t v) {
    return Reglage("HM_set_time_out", LEtat().delaiMax, v);
}

#ifndef KOVRA_MULTIDLL_SANS_VERSION
int16_t KOVRA_MULTIDLL_APPEL HM_version(void) {
    Etat& e = LEtat();
    const std::lock_guard garde(e.verrou);
    if (const auto code = Appel(e, "HM_version", "")) {
        return static_cast<int16_t>(*code);
    }
    return 630;
}
#endif
}
