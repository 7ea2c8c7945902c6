#include "keyboard/EnvoiTouches.h"

#include <array>
#include <cctype>

namespace kovra {

namespace {

struct NomCode {
    std::string_view nom;
    std::uint8_t code;
};

constexpr std::array<NomCode, 24> kNoms = {{
    {"BACKSPACE", 8}, {"BS", 8},           {"BKSP", 8},  {"BREAK", 19}, {"CAPSLOCK", 20},
    {"DELETE", 46},   {"DEL", 46},         {"DOWN", 40}, {"END", 35},   {"ENTER", 13},
    {"ESC", 27},      {"HELP", 47},        {"HOME", 36}, {"INS", 45},   {"INSERT", 45},
    {"LEFT", 37},     {"NUMLOCK", 144},    {"PGDN", 34}, {"PGUP", 33},  {"PRTSC", 42},
    {"RIGHT", 39},    {"SCROLLLOCK", 145}, {"TAB", 9},   {"UP", 38},
}};

bool MemeNom(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != static_cast<unsigned char>(b[i])) {
            return false;
        }
    }
    return true;
}

// The number after a prefix ("F12" -> 12), or -1.
int Numero(std::string_view nom, std::string_view prefixe) {
    if (nom.size() <= prefixe.size() || nom.size() > prefixe.size() + 2 ||
        !MemeNom(nom.substr(0, prefixe.size()), prefixe)) {
        return -1;
    }
    int n = 0;
    for (const char c : nom.substr(prefixe.size())) {
        if (c < '0' || c > '9') {
            return -1;
        }
        n = n * 10 + (c - '0');
    }
    return n;
}

} // namespace

std::uint8_t CodeTouche(std::string_view nom) {
    for (const NomCode& n : kNoms) {
        if (MemeNom(nom, n.nom)) {
            return n.code;
        }
    }
    if (MemeNom(nom, "PRTSCR")) {
        return 44;
    }
    if (const int f = Numero(nom, "F"); f >= 1 && f <= 16) {
        return static_cast<std::uint8_t>(111 + f);
    }
    if (const int p = Numero(nom, "NUMPAD"); p >= 0 && p <= 9 && nom.size() == 7) {
        return static_cast<std::uint8_t>(96 + p);
    }
    return 0;
}

} // namespace kovra
