#include "keyboard/EnvoiTouches.h"

#include "keyboard/PlanFrappe.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

namespace kovra {

namespace {

std::string EnMajuscules(std::u32string_view nom) {
    std::string s;
    s.reserve(nom.size());
    for (const char32_t c : nom) {
        s += (c >= U'a' && c <= U'z') ? static_cast<char>(c - U'a' + U'A')
                                      : (c < 128 ? static_cast<char>(c) : '?');
    }
    return s;
}

bool EstAscii(std::u32string_view nom) {
    for (const char32_t c : nom) {
        if (c >= 128) {
            return false;
        }
    }
    return true;
}

// The largest repeat count: the counts are 16-bit numbers.
constexpr long kCompteMax = 32767;

// The repeat count written after the blank of "{NAME n}": a number, rounded; nothing when
// the text is no number.
std::optional<long> Compte(std::u32string_view texte) {
    if (!EstAscii(texte)) {
        return std::nullopt;
    }
    std::string s = EnMajuscules(texte);
    const auto debut = s.find_first_not_of(' ');
    const auto fin = s.find_last_not_of(' ');
    if (debut == std::string::npos) {
        return std::nullopt;
    }
    s = s.substr(debut, fin - debut + 1);
    char* reste = nullptr;
    const double v = std::strtod(s.c_str(), &reste);
    if (reste != s.c_str() + s.size() || !std::isfinite(v) ||
        s.find_first_of("XP") != std::string::npos) {
        return std::nullopt;
    }
    // Far beyond any count, so that the rounding cannot overflow.
    if (v > 1e9 || v < -1e9) {
        return v > 0 ? kCompteMax + 1 : -kCompteMax - 1;
    }
    return std::lrint(v);
}

// What a brace element holds, read from the text after its "{".
struct Accolade {
    std::size_t fin = 0;         // index of its closing brace
    std::u32string_view nom;     // the name, without the count
    long compte = 1;             // how many times
    const char* refus = nullptr; // why typing stops here, if it does
};

// The closing brace is the last "}" before the first "{" that follows a "}". A count that
// is no number from 1 to 32767 (rounded), or a missing closing brace, stops typing.
Accolade LitAccolade(std::u32string_view reste) {
    Accolade a;
    a.fin = std::u32string_view::npos;
    for (std::size_t j = 0; j < reste.size(); ++j) {
        if (reste[j] == U'}') {
            a.fin = j;
        } else if (reste[j] == U'{' && a.fin != std::u32string_view::npos) {
            break;
        }
    }
    if (a.fin == std::u32string_view::npos) {
        a.refus = "l'accolade n'est pas fermée";
        return a;
    }
    a.nom = reste.substr(0, a.fin);
    if (const auto blanc = a.nom.find(U' '); blanc != std::u32string_view::npos) {
        const auto n = Compte(a.nom.substr(blanc + 1));
        if (!n || *n < 1 || *n > kCompteMax) {
            a.refus = "le nombre de répétitions doit être un nombre de 1 à 32767";
            return a;
        }
        a.compte = *n;
        a.nom = a.nom.substr(0, blanc);
    }
    return a;
}

// The state of one lock during a call: on at entry, and toggled since by the string.
struct EtatVerrou {
    Verrou verrou;
    const char* touche;
    char chiffreAttente;
    bool actifAuDebut = false;
    bool bascule = false;
};

// The codes of the keypad's digits, NUMPAD0 to NUMPAD9.
constexpr std::uint8_t kCodePave0 = 96;
constexpr std::uint8_t kCodePave9 = 105;

// Turns a key string into its plan of key events.
class Frappe {
public:
    explicit Frappe(const ClavierVirtuel& c) : clavier_(c) {}

    PlanFrappe Planifie(std::u32string_view texte, int attente);

private:
    void Enfonce(const Touche& t) { plan_.push_back({EvenementFrappe::Genre::Enfonce, t, 0}); }
    void Relache(const Touche& t) { plan_.push_back({EvenementFrappe::Genre::Relache, t, 0}); }
    void Appuie(const Touche& t) {
        NumeriquePour(t);
        Enfonce(t);
        Relache(t);
    }
    void BasculeNumerique() {
        const Touche t = Touche::Nommee("NUMLOCK");
        Enfonce(t);
        Relache(t);
    }
    // A keypad digit types its digit, which it does only with Num Lock on: Num Lock is put
    // on before it when it is off, and off again before the next key that is no keypad
    // digit (a run of digits shares the one toggle).
    void NumeriquePour(const Touche& t) {
        const bool chiffre =
            t.genre == Touche::Genre::Nommee && t.code >= kCodePave0 && t.code <= kCodePave9;
        // Every lock is off while typing, unless the string itself toggled it.
        const bool numerique = verrous_[kNumerique].bascule;
        if (chiffre && !numeriquePourPave_ && !numerique) {
            BasculeNumerique();
            numeriquePourPave_ = true;
        } else if (!chiffre && numeriquePourPave_) {
            RetablitNumerique();
        }
    }
    void RetablitNumerique() {
        if (numeriquePourPave_) {
            BasculeNumerique();
            numeriquePourPave_ = false;
        }
    }
    void Modificateur(const char* nom) {
        pile_.push_back(nom);
        Enfonce(Touche::Modificateur(nom));
    }
    void RelacheModificateurs() {
        while (!pile_.empty()) {
            Relache(Touche::Modificateur(pile_.back()));
            pile_.pop_back();
        }
    }
    void ApresTouche() {
        if (!groupe_) {
            RelacheModificateurs();
        }
    }
    // Handles "{...}" starting after the brace at `texte`; returns how much it took, or
    // nothing when typing must stop.
    std::optional<std::size_t> Accolades(std::u32string_view reste);

    const ClavierVirtuel& clavier_;
    PlanFrappe plan_;
    std::vector<const char*> pile_;
    bool groupe_ = false;
    bool numeriquePourPave_ = false;             // Num Lock put on for keypad digits
    static constexpr std::size_t kNumerique = 1; // Num Lock's place among the locks
    std::array<EtatVerrou, 3> verrous_{{{Verrou::Majuscules, "CAPSLOCK", '2'},
                                        {Verrou::Numerique, "NUMLOCK", '3'},
                                        {Verrou::Defilement, "SCROLLLOCK", '4'}}};
};

std::optional<std::size_t> Frappe::Accolades(std::u32string_view reste) {
    const Accolade a = LitAccolade(reste);
    if (a.refus != nullptr) {
        return std::nullopt;
    }
    const std::u32string_view nom = a.nom;
    const long compte = a.compte;
    const std::string nomTouche = EnMajuscules(nom);
    if (EstAscii(nom) && CodeTouche(nomTouche) != 0) {
        for (long i = 0; i < compte; ++i) {
            if (nomTouche == "NUMLOCK") {
                RetablitNumerique();
                BasculeNumerique();
            } else {
                Appuie(Touche::Nommee(nomTouche));
            }
            for (EtatVerrou& v : verrous_) {
                if (nomTouche == v.touche) {
                    v.bascule = !v.bascule;
                }
            }
        }
    } else {
        for (long i = 0; i < compte; ++i) {
            for (const char32_t c : nom) {
                Appuie(Touche::Caractere(c));
            }
        }
    }
    ApresTouche();
    return a.fin + 1;
}

PlanFrappe Frappe::Planifie(std::u32string_view texteRecu, int attente) {
    // Every lock off while typing.
    for (EtatVerrou& v : verrous_) {
        v.actifAuDebut = clavier_.VerrouActif(v.verrou);
        if (!v.actifAuDebut) {
            continue;
        }
        if (v.verrou == Verrou::Numerique) {
            BasculeNumerique();
        } else {
            Appuie(Touche::Nommee(v.touche));
        }
    }

    const std::u32string texte =
        clavier_.CodesAlt() ? CodesAltNumerique(texteRecu) : std::u32string(texteRecu);
    // Most characters are a key-down and a key-up.
    plan_.reserve(plan_.size() + 2 * texte.size() + 16);
    for (std::size_t i = 0; i < texte.size();) {
        const char32_t c = texte[i++];
        switch (c) {
        case U'+':
            Modificateur("SHIFT");
            break;
        case U'^':
            Modificateur("CONTROL");
            break;
        case U'%':
            Modificateur("ALT");
            break;
        case U'(':
            groupe_ = true;
            break;
        case U')':
            groupe_ = false;
            RelacheModificateurs();
            break;
        case U'{': {
            const auto pris = Accolades(std::u32string_view(texte).substr(i));
            if (!pris) {
                i = texte.size();
                break;
            }
            i += *pris;
            break;
        }
        case U'~':
            Appuie(Touche::Nommee("ENTER"));
            ApresTouche();
            break;
        default:
            Appuie(Touche::Caractere(c));
            ApresTouche();
            break;
        }
    }
    RelacheModificateurs();
    RetablitNumerique();

    // Each lock back as it was, unless `attente` says to leave it.
    const std::string chiffres = std::to_string(std::abs(attente));
    for (EtatVerrou& v : verrous_) {
        if (chiffres.find(v.chiffreAttente) != std::string::npos || v.bascule == v.actifAuDebut) {
            continue;
        }
        if (v.verrou == Verrou::Numerique) {
            BasculeNumerique();
        } else {
            Appuie(Touche::Nommee(v.touche));
        }
    }
    if (attente != 0) {
        plan_.push_back({EvenementFrappe::Genre::Pause, {}, 20});
    }
    return std::move(plan_);
}

} // namespace

std::string EnUtf8(std::u32string_view texte) {
    std::string s;
    for (const char32_t c : texte) {
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (c >> 18));
            s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return s;
}

void NoteNonTapee(BilanFrappe& bilan, const Touche& touche) {
    if (std::find(bilan.nonTapees.begin(), bilan.nonTapees.end(), touche) ==
        bilan.nonTapees.end()) {
        bilan.nonTapees.push_back(touche);
    }
}

std::u32string CaracteresDuPlan(const PlanFrappe& plan) {
    std::u32string caracteres;
    for (const EvenementFrappe& e : plan) {
        if (e.genre == EvenementFrappe::Genre::Enfonce &&
            e.touche.genre == Touche::Genre::Caractere) {
            caracteres += e.touche.caractere;
        }
    }
    return caracteres;
}

std::vector<Touche> IntapablesDuPlan(const PlanFrappe& plan, const ClavierVirtuel& clavier) {
    std::vector<Touche> touches;
    for (const EvenementFrappe& e : plan) {
        if (e.genre == EvenementFrappe::Genre::Enfonce &&
            std::find(touches.begin(), touches.end(), e.touche) == touches.end()) {
            touches.push_back(e.touche);
        }
    }
    return clavier.Intapables(touches);
}

PlanFrappe PlanifieTouches(std::u32string_view texte, int attente, const ClavierVirtuel& clavier) {
    return Frappe(clavier).Planifie(texte, attente);
}

BilanFrappe JoueImmediatement(const PlanFrappe& plan, ClavierVirtuel& clavier) {
    BilanFrappe bilan;
    clavier.DebutFrappe(CaracteresDuPlan(plan));
    for (const EvenementFrappe& e : plan) {
        switch (e.genre) {
        case EvenementFrappe::Genre::Enfonce:
            if (!clavier.Enfonce(e.touche)) {
                NoteNonTapee(bilan, e.touche);
            }
            break;
        case EvenementFrappe::Genre::Relache:
            clavier.Relache(e.touche);
            break;
        case EvenementFrappe::Genre::Pause:
            clavier.NotePause(e.millisecondes);
            break;
        }
    }
    clavier.Envoie();
    return bilan;
}

std::string ArretTouches(std::u32string_view texte) {
    for (std::size_t i = 0; i < texte.size(); ++i) {
        if (texte[i] != U'{') {
            continue;
        }
        const Accolade a = LitAccolade(texte.substr(i + 1));
        if (a.refus != nullptr) {
            // The element as written, or the start of what follows an unclosed brace.
            constexpr std::size_t kLongueurCitee = 30;
            std::u32string_view element = texte.substr(
                i, a.fin == std::u32string_view::npos ? std::u32string_view::npos : a.fin + 2);
            std::string cite = EnUtf8(element.substr(0, kLongueurCitee));
            if (element.size() > kLongueurCitee) {
                cite += "…";
            }
            return "La chaîne de touches s'arrête à « " + cite + " » : " + a.refus + ".";
        }
        i += a.fin + 1;
    }
    return {};
}

void EnvoiTouches(std::u32string_view texte, int attente, ClavierVirtuel& clavier) {
    JoueImmediatement(PlanifieTouches(texte, attente, clavier), clavier);
}

bool BasculeTouche(ClavierVirtuel& clavier, int codeTouche) {
    const char* nom = codeTouche == kCodeVerrMaj   ? "CAPSLOCK"
                      : codeTouche == kCodeVerrNum ? "NUMLOCK"
                                                   : "SCROLLLOCK";
    if (!clavier.Enfonce(Touche::Nommee(nom))) {
        return false;
    }
    clavier.Relache(Touche::Nommee(nom));
    return true;
}

bool VerrMajActif(const ClavierVirtuel& clavier) {
    return clavier.VerrouActif(Verrou::Majuscules);
}

bool VerrNumActif(const ClavierVirtuel& clavier) {
    return clavier.VerrouActif(Verrou::Numerique);
}

bool InverseVerrNum(ClavierVirtuel& clavier) {
    return BasculeTouche(clavier, kCodeVerrNum);
}

bool EteintVerrMaj(ClavierVirtuel& clavier) {
    return !VerrMajActif(clavier) || BasculeTouche(clavier, kCodeVerrMaj);
}

} // namespace kovra
