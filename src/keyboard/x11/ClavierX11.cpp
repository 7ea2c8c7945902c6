#include "keyboard/x11/ClavierX11.h"

#include "keyboard/Keysyms.h"
#include "keyboard/TouchesLibres.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kovra {

namespace {

using Horloge = TouchesLibres::Horloge;
using Modificateurs = TouchesLibres::Modificateurs;

// The levels of a spare key: plain, Shift, AltGr, Shift+AltGr.
constexpr int kNiveaux = 4;
// How long the player waits before asking again whether the server is done with a batch.
constexpr int kAttenteLot = 1;
// The least time between the moment the server is seen done with the release of a key and
// the next press of the same key (see Etat::Evenement).
constexpr auto kEcartRepetition = std::chrono::milliseconds(1);
// Milliseconds between binding a character to a spare key and typing it.
constexpr int kAttenteLiaison = 10;
using Symboles = std::array<KeySym, kNiveaux>;

// The root-window property where every Kovra lists the spare keys it bound, with what each
// holds: five integers per key, its keycode and its four keysyms (NoSymbol for an empty
// level).
// A key counts as Kovra's only while the server's keymap gives it exactly those four
// symbols in a single group; anything else (a new layout loaded, another program binding
// the key) makes the record stale, and it is ignored. This is how a later Kovra finds the
// bindings an earlier one left (they are kept so that a slow application still reads its
// characters right) and can use them again instead of running out of free keys. The
// property is read and written only while the server is grabbed, together with the change
// of the keymap, so two Kovras never take the same place.
constexpr const char* kPropriete = "_KOVRA_TOUCHES_LIEES";
constexpr long kMaxPropriete = 5 * 256;

// Keys held down are remembered by character; named keys by their code beyond Unicode.
constexpr char32_t kBaseNommees = 0x110000;

bool CaractereDeCommande(char32_t c) {
    return c < 0x20 || c == 0x7f;
}

// How a level of a key type is reached; nothing when it takes another modifier, or one
// the keymap does not bind to a real modifier (its entry is then inactive).
std::optional<Modificateurs> AccesNiveau(const XkbKeyTypeRec& type, int niveau,
                                         unsigned masqueNiveau3) {
    if (niveau == 0) {
        return Modificateurs{};
    }
    for (int e = 0; e < type.map_count; ++e) {
        const XkbKTMapEntryRec& entree = type.map[e];
        if (entree.active && entree.level == niveau &&
            (entree.mods.mask & ~(ShiftMask | masqueNiveau3)) == 0) {
            return Modificateurs{(entree.mods.mask & ShiftMask) != 0,
                                 masqueNiveau3 != 0 && (entree.mods.mask & masqueNiveau3) != 0};
        }
    }
    return std::nullopt;
}

// The server grabbed for the life of the object: no other program's request is handled
// meanwhile, so what is read of the keymap is still true when it is changed.
class ServeurSaisi {
public:
    explicit ServeurSaisi(Display* d) : d_(d) { XGrabServer(d_); }
    ~ServeurSaisi() {
        XUngrabServer(d_);
        XFlush(d_);
    }
    ServeurSaisi(const ServeurSaisi&) = delete;
    ServeurSaisi& operator=(const ServeurSaisi&) = delete;

private:
    Display* d_;
};

} // namespace

struct ClavierX11::Etat {
    Display* d = nullptr;
    Window racine = 0;
    Atom propriete = None;
    Atom typeQuatreNiveaux = None;
    // The keymap as last read; changes to spare keys are made on it.
    XkbDescPtr xkb = nullptr;
    int groupe = 0;
    KeyCode shift = 0;
    KeyCode niveau3 = 0;
    unsigned masqueNiveau3 = 0;

    // Where each character of the layout is (spare keys left out).
    struct Place {
        KeyCode code = 0;
        Modificateurs mods;
    };
    std::unordered_map<char32_t, Place> caracteres;
    // The key of each named key, by its code in the key table; 0 when the keymap has none.
    std::array<KeyCode, 256> nommees{};
    // The spare keys: which character each level holds, and which may be bound next. It
    // is told every keycode without symbols and what each spare key holds, as read.
    TouchesLibres reserve;
    // What each key-down pressed, for its key-up.
    std::unordered_map<char32_t, std::vector<KeyCode>> enfoncees;
    // A batch was handed to the server, which may still be handling it: the server says
    // when it is done by a property change on a window of ours, the request sent right
    // after the batch's last key, so nothing here ever waits for it.
    bool lotEnCours = false;
    Window temoin = 0;
    Atom atomeTemoin = 0;

    ~Etat() {
        if (xkb != nullptr) {
            XkbFreeKeyboard(xkb, 0, True);
        }
    }

    // The server stamps each key event with its time in milliseconds. A release followed
    // by a press of the same key with the same time is how X reports a key held down
    // (auto-repeat), and toolkits look for it: LibreOffice's own X11 layer drops both such
    // events, losing the second of two identical characters typed at full speed. So a key
    // pressed again right after its release waits until the server has handled the release
    // and a millisecond more (see DelaiAvant): its press then carries a later time.
    KeyCode derniereRelachee = 0; // the key released by the last key event; 0 after a press
    bool relacheeEnvoyee = false; // that release was handed to the server
    std::optional<Horloge::time_point> relacheeTraitee; // and seen handled, then

    void Evenement(KeyCode code, bool bas) {
        XTestFakeKeyEvent(d, code, bas ? True : False, 0);
        derniereRelachee = bas ? KeyCode{0} : code;
        relacheeEnvoyee = false;
        relacheeTraitee.reset();
    }

    // Whether the server has handled the last batch; reads what it said, never waits.
    bool LotTraite() {
        if (lotEnCours) {
            XEvent ev;
            while (XCheckTypedWindowEvent(d, temoin, PropertyNotify, &ev)) {
                lotEnCours = false;
                if (relacheeEnvoyee && !relacheeTraitee) {
                    relacheeTraitee = Horloge::now();
                }
            }
        }
        return !lotEnCours;
    }

    // Milliseconds before pressing `code` again can carry the time of its release.
    int AvantRepetition(KeyCode code) const {
        if (code == 0 || code != derniereRelachee) {
            return 0;
        }
        if (!relacheeTraitee) {
            return kAttenteLot;
        }
        using namespace std::chrono;
        const auto reste =
            ceil<milliseconds>(kEcartRepetition - (Horloge::now() - *relacheeTraitee));
        return static_cast<int>(std::max<milliseconds::rep>(reste.count(), 0));
    }

    std::vector<KeyCode> Pressees(const Touche& touche, bool lier);

    // The group of a key that typing uses: the current one, or the first for a key that
    // has fewer groups.
    int GroupeDe(int code) const {
        const int groupes = XkbKeyNumGroups(xkb, code);
        return groupe < groupes ? groupe : 0;
    }

    // The four symbols of a key that has a single group of at most four levels (the shape
    // of a spare key); nothing for any other key.
    std::optional<Symboles> SymbolesDe(KeyCode code) const {
        Symboles s{};
        const int groupes = XkbKeyNumGroups(xkb, code);
        if (groupes == 0) {
            return s;
        }
        const int largeur = XkbKeyGroupWidth(xkb, code, 0);
        if (groupes != 1 || largeur > kNiveaux) {
            return std::nullopt;
        }
        for (int n = 0; n < largeur; ++n) {
            s[n] = XkbKeySymEntry(xkb, code, n, 0);
        }
        return s;
    }

    // Whether the layout types a character itself: a control character, or one it holds.
    bool DansDisposition(char32_t c) const {
        return CaractereDeCommande(c) || caracteres.contains(c);
    }

    // Whether typing a character needs no new spare-key binding: the layout types it, or
    // it is bound already.
    bool SansLiaison(char32_t c) const { return DansDisposition(c) || reserve.Liee(c); }

    // The four symbols of a spare key as last read (NoSymbol beyond its levels).
    Symboles SymbolesReserve(KeyCode code) const {
        Symboles s{};
        const std::vector<std::uint32_t> lus = reserve.Symboles(code);
        std::copy_n(lus.begin(), std::min(lus.size(), s.size()), s.begin());
        return s;
    }

    bool EstLibre(int code) const {
        const int groupes = XkbKeyNumGroups(xkb, code);
        for (int g = 0; g < groupes; ++g) {
            for (int n = 0; n < XkbKeyGroupWidth(xkb, code, g); ++n) {
                if (XkbKeySymEntry(xkb, code, n, g) != NoSymbol) {
                    return false;
                }
            }
        }
        return true;
    }

    // Sends the server what the keymap read now holds for a key: its symbols and its type.
    bool EnvoieTouche(KeyCode code) {
        XkbMapChangesRec changements{};
        changements.changed = XkbKeySymsMask | XkbExplicitComponentsMask;
        changements.first_key_sym = code;
        changements.num_key_syms = 1;
        changements.first_key_explicit = code;
        changements.num_key_explicit = 1;
        return XkbChangeMap(d, xkb, &changements) == True;
    }

    bool LitCarte();
    void LitModificateurs();
    std::map<KeyCode, Symboles> LitPropriete();
    void EcritPropriete(const std::map<KeyCode, Symboles>& notes);
    void MetAJour(KeyCode code, const Symboles& actuels, Horloge::time_point quand);
    std::map<KeyCode, Symboles> Reconcilie(Horloge::time_point maintenant);
    void ListeLibres();
    void LitClavier();

    std::optional<Place> Lie(const TouchesLibres::Choix& choix, char32_t c,
                             Horloge::time_point maintenant);
    std::optional<Place> PlaceLiee(char32_t c, Horloge::time_point maintenant);
    int TypeReserve() const;
    void Restaure();
};

bool ClavierX11::Etat::LitCarte() {
    XkbDescPtr carte = XkbGetMap(
        d, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask | XkbExplicitComponentsMask,
        XkbUseCoreKbd);
    if (carte == nullptr || carte->map == nullptr || carte->server == nullptr) {
        if (carte != nullptr) {
            XkbFreeKeyboard(carte, 0, True);
        }
        return false;
    }
    XkbGetNames(d, XkbKeyTypeNamesMask, carte);
    if (xkb != nullptr) {
        XkbFreeKeyboard(xkb, 0, True);
    }
    xkb = carte;
    XkbStateRec etat{};
    XkbGetState(d, XkbUseCoreKbd, &etat);
    groupe = etat.group;
    return true;
}

void ClavierX11::Etat::LitModificateurs() {
    // The keys of Shift and of the level-3 shift, taken at their lowest level.
    shift = 0;
    niveau3 = 0;
    int niveauShift = kNiveaux;
    int niveauNiveau3 = kNiveaux;
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        if (XkbKeyNumGroups(xkb, code) == 0) {
            continue;
        }
        const int g = GroupeDe(code);
        for (int n = 0; n < XkbKeyGroupWidth(xkb, code, g) && n < kNiveaux; ++n) {
            const KeySym ks = XkbKeySymEntry(xkb, code, n, g);
            if (ks == XK_Shift_L && n < niveauShift) {
                shift = static_cast<KeyCode>(code);
                niveauShift = n;
            } else if (ks == XK_ISO_Level3_Shift && n < niveauNiveau3) {
                niveau3 = static_cast<KeyCode>(code);
                niveauNiveau3 = n;
            }
        }
    }
    masqueNiveau3 = niveau3 != 0 && xkb->map->modmap != nullptr ? xkb->map->modmap[niveau3] : 0;
}

std::map<KeyCode, Symboles> ClavierX11::Etat::LitPropriete() {
    std::map<KeyCode, Symboles> notes;
    Atom type = None;
    int format = 0;
    unsigned long n = 0;
    unsigned long reste = 0;
    unsigned char* donnees = nullptr;
    if (XGetWindowProperty(d, racine, propriete, 0, kMaxPropriete, False, XA_INTEGER, &type,
                           &format, &n, &reste, &donnees) == Success &&
        donnees != nullptr && type == XA_INTEGER && format == 32) {
        // Xlib hands 32-bit items as longs.
        const long* v = reinterpret_cast<const long*>(donnees);
        for (unsigned long i = 0; i + kNiveaux < n; i += kNiveaux + 1) {
            if (v[i] < 8 || v[i] > 255) {
                continue;
            }
            Symboles s{};
            for (std::size_t k = 0; k < s.size(); ++k) {
                s[k] = static_cast<KeySym>(static_cast<unsigned long>(v[i + 1 + k]) & 0xffffffffUL);
            }
            notes[static_cast<KeyCode>(v[i])] = s;
        }
    }
    if (donnees != nullptr) {
        XFree(donnees);
    }
    return notes;
}

void ClavierX11::Etat::EcritPropriete(const std::map<KeyCode, Symboles>& notes) {
    if (notes.empty()) {
        XDeleteProperty(d, racine, propriete);
        return;
    }
    std::vector<long> v;
    for (const auto& [code, syms] : notes) {
        v.push_back(code);
        for (const KeySym ks : syms) {
            v.push_back(static_cast<long>(ks));
        }
    }
    XChangeProperty(d, racine, propriete, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(v.data()), static_cast<int>(v.size()));
}

// Takes what a spare key holds now, with the symbols read of it and how typing reaches each
// level in the keymap read: levels whose symbol changed count as used at `quand`.
void ClavierX11::Etat::MetAJour(KeyCode code, const Symboles& actuels, Horloge::time_point quand) {
    const int largeur =
        std::min(XkbKeyNumGroups(xkb, code) > 0 ? XkbKeyGroupWidth(xkb, code, 0) : 0, kNiveaux);
    const XkbKeyTypePtr type = largeur > 0 ? XkbKeyKeyType(xkb, code, 0) : nullptr;
    std::vector<TouchesLibres::Niveau> niveaux;
    for (int n = 0; n < largeur; ++n) {
        const KeySym ks = actuels[n];
        niveaux.push_back({AccesNiveau(*type, n, masqueNiveau3), static_cast<std::uint32_t>(ks),
                           CaractereKeysym(static_cast<Keysym>(ks))});
    }
    reserve.Actualise(code, niveaux, quand);
}

// Brings the spare keys in line with the keymap just read: keys that are no longer as this
// object or another Kovra left them are given up, and keys another Kovra bound are taken
// on (their characters counted as typed now). Returns the records of the property.
std::map<KeyCode, Symboles> ClavierX11::Etat::Reconcilie(Horloge::time_point maintenant) {
    const std::map<KeyCode, Symboles> notes = LitPropriete();
    for (const int code : reserve.Codes()) {
        const KeyCode touche = static_cast<KeyCode>(code);
        const auto actuels = SymbolesDe(touche);
        const auto note = notes.find(touche);
        if (actuels && (*actuels == SymbolesReserve(touche) ||
                        (note != notes.end() && note->second == *actuels))) {
            MetAJour(touche, *actuels, maintenant);
        } else {
            reserve.Abandonne(code);
        }
    }
    for (const auto& [code, syms] : notes) {
        if (code < xkb->min_key_code || code > xkb->max_key_code || reserve.Reservee(code) ||
            syms == Symboles{}) {
            continue;
        }
        if (const auto actuels = SymbolesDe(code); actuels && *actuels == syms) {
            MetAJour(code, syms, maintenant);
        }
    }
    return notes;
}

void ClavierX11::Etat::ListeLibres() {
    std::vector<int> libres;
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        if (EstLibre(code)) {
            libres.push_back(code);
        }
    }
    reserve.Libres(std::move(libres));
}

void ClavierX11::Etat::LitClavier() {
    caracteres.clear();
    nommees.fill(0);
    reserve.Libres({});
    if (!LitCarte()) {
        return;
    }
    LitModificateurs();
    Reconcilie(Horloge::now());
    ListeLibres();

    // Every symbol of the current group, at the place with the fewest modifiers; named keys
    // at their lowest level, pressed alone.
    std::unordered_map<KeySym, std::pair<KeyCode, int>> touchesDe;
    for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
        if (XkbKeyNumGroups(xkb, code) == 0 || reserve.Reservee(code)) {
            continue;
        }
        const int g = GroupeDe(code);
        const XkbKeyTypePtr type = XkbKeyKeyType(xkb, code, g);
        for (int n = 0; n < XkbKeyGroupWidth(xkb, code, g); ++n) {
            const KeySym ks = XkbKeySymEntry(xkb, code, n, g);
            if (ks == NoSymbol) {
                continue;
            }
            const auto t = touchesDe.find(ks);
            if (t == touchesDe.end() || n < t->second.second) {
                touchesDe[ks] = {static_cast<KeyCode>(code), n};
            }
            const char32_t c = CaractereKeysym(static_cast<Keysym>(ks));
            if (c == 0) {
                continue;
            }
            const auto mods = AccesNiveau(*type, n, masqueNiveau3);
            if (!mods) {
                continue;
            }
            const auto ancienne = caracteres.find(c);
            if (ancienne == caracteres.end() || mods->Poids() < ancienne->second.mods.Poids()) {
                caracteres[c] = {static_cast<KeyCode>(code), *mods};
            }
        }
    }
    for (const ToucheNommee& t : TouchesNommees()) {
        if (const auto it = touchesDe.find(KeysymNomme(t.code)); it != touchesDe.end()) {
            nommees[t.code] = it->second.first;
        }
    }
}

// The key type given to a new spare key: four levels when the keymap has a level-3 shift,
// else two.
int ClavierX11::Etat::TypeReserve() const {
    if (masqueNiveau3 != 0 && niveau3 != 0) {
        for (int t = 0; t < xkb->map->num_types; ++t) {
            const XkbKeyTypeRec& type = xkb->map->types[t];
            if (type.name == typeQuatreNiveaux && type.num_levels == kNiveaux) {
                return t;
            }
        }
    }
    return XkbTwoLevelIndex;
}

// Binds a character to the place chosen. The server is grabbed meanwhile and the keymap
// read again, so that the place is taken only if it is still as it was chosen: free, or
// holding the character it gives up, on a key that is still a spare key. The key is then
// read back: the place is used only if the server holds the character where it was put.
std::optional<ClavierX11::Etat::Place> ClavierX11::Etat::Lie(const TouchesLibres::Choix& choix,
                                                             char32_t c,
                                                             Horloge::time_point maintenant) {
    const KeyCode code = static_cast<KeyCode>(choix.code);
    Symboles attendus{};
    if (!choix.nouvelle) {
        attendus = SymbolesReserve(code);
    }
    const ServeurSaisi saisi(d);
    if (!LitCarte()) {
        return std::nullopt;
    }
    LitModificateurs();
    std::map<KeyCode, Symboles> notes = Reconcilie(maintenant);
    ListeLibres();
    int type = 0;
    int largeur = 0;
    if (choix.nouvelle) {
        if (reserve.Reservee(code) || !EstLibre(code)) {
            return std::nullopt;
        }
        type = TypeReserve();
        largeur = xkb->map->types[type].num_levels;
    } else {
        if (!reserve.Reservee(code) || SymbolesReserve(code) != attendus) {
            return std::nullopt;
        }
        type = xkb->map->key_sym_map[code].kt_index[0];
        largeur = XkbKeyGroupWidth(xkb, code, 0);
    }
    if (choix.niveau >= largeur || largeur > kNiveaux) {
        return std::nullopt;
    }
    Symboles voulus = attendus;
    voulus[choix.niveau] = KeysymCaractere(c);

    KeySym* syms = XkbResizeKeySyms(xkb, code, largeur);
    if (syms == nullptr) {
        return std::nullopt;
    }
    XkbSymMapRec& carte = xkb->map->key_sym_map[code];
    carte.kt_index[0] = static_cast<unsigned char>(type);
    carte.group_info = XkbSetGroupInfo(1, XkbWrapIntoRange, 0);
    carte.width = static_cast<unsigned char>(largeur);
    for (int n = 0; n < largeur; ++n) {
        syms[n] = voulus[n];
    }
    // The type is explicit: a later change through the core protocol keeps it.
    xkb->server->c_explicit[code] |= XkbExplicitKeyType1Mask;
    if (!EnvoieTouche(code) || !LitCarte()) {
        return std::nullopt;
    }
    const auto lus = SymbolesDe(code);
    if (!lus || *lus != voulus) {
        return std::nullopt;
    }
    MetAJour(code, *lus, maintenant);
    notes[code] = *lus;
    EcritPropriete(notes);
    const auto acces = reserve.Acces(code, choix.niveau);
    if (!acces) {
        return std::nullopt;
    }
    return Place{code, *acces};
}

// The spare place of a character the layout lacks, bound now if needed; nothing when no
// place can take it now.
std::optional<ClavierX11::Etat::Place> ClavierX11::Etat::PlaceLiee(char32_t c,
                                                                   Horloge::time_point maintenant) {
    // A character on a level typing cannot reach is bound again elsewhere.
    if (const auto place = reserve.Reprend(c, maintenant)) {
        return Place{static_cast<KeyCode>(place->code), *place->acces};
    }
    // A place found taken under the grab is given up and another one chosen.
    for (int essai = 0; essai < 4; ++essai) {
        const auto choix = reserve.Choisit(maintenant);
        if (!choix || choix->attente > 0) {
            return std::nullopt;
        }
        if (const auto place = Lie(*choix, c, maintenant)) {
            return place;
        }
    }
    return std::nullopt;
}

void ClavierX11::Etat::Restaure() {
    const ServeurSaisi saisi(d);
    if (LitCarte()) {
        LitModificateurs();
        std::map<KeyCode, Symboles> notes = Reconcilie(Horloge::now());
        // Every spare key still as it was left, by this object or by an earlier Kovra, goes
        // back to having no symbol.
        for (const int touche : reserve.Codes()) {
            const KeyCode code = static_cast<KeyCode>(touche);
            XkbResizeKeySyms(xkb, code, 0);
            XkbSymMapRec& carte = xkb->map->key_sym_map[code];
            carte.group_info = XkbSetGroupInfo(0, XkbWrapIntoRange, 0);
            carte.width = 0;
            xkb->server->c_explicit[code] &= static_cast<unsigned char>(~XkbExplicitKeyType1Mask);
            EnvoieTouche(code);
            notes.erase(code);
        }
        EcritPropriete(notes);
    }
    reserve.Vide();
}

ClavierX11::ClavierX11(const char* affichage) : etat_(std::make_unique<Etat>()) {
    Etat& e = *etat_;
    e.d = XOpenDisplay(affichage);
    if (e.d == nullptr) {
        throw ErreurAffichage(QStringLiteral("Impossible d'ouvrir l'affichage X11 ") +
                              (affichage != nullptr ? QString::fromLocal8Bit(affichage)
                                                    : QStringLiteral("(DISPLAY)")));
    }
    int evenement = 0;
    int erreur = 0;
    int majeur = 0;
    int mineur = 0;
    if (!XTestQueryExtension(e.d, &evenement, &erreur, &majeur, &mineur)) {
        XCloseDisplay(e.d);
        throw ErreurAffichage(QStringLiteral("L'affichage X11 n'offre pas l'extension XTest"));
    }
    e.racine = DefaultRootWindow(e.d);
    e.temoin = XCreateSimpleWindow(e.d, e.racine, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(e.d, e.temoin, PropertyChangeMask);
    e.atomeTemoin = XInternAtom(e.d, "_KOVRA_LOT", False);
    e.propriete = XInternAtom(e.d, kPropriete, False);
    e.typeQuatreNiveaux = XInternAtom(e.d, "FOUR_LEVEL", False);
    e.LitClavier();
}

// The spare keys stay bound: an application may not have read what was typed with them.
ClavierX11::~ClavierX11() {
    Display* d = etat_->d;
    etat_.reset();
    XCloseDisplay(d);
}

void ClavierX11::Restaure() {
    etat_->Restaure();
}

void ClavierX11::DebutFrappe(std::u32string_view caracteres) {
    Etat& e = *etat_;
    // The layout or its group may have changed since the last key string.
    e.LitClavier();
    if (e.xkb == nullptr) {
        return;
    }
    // Every character the layout lacks is bound now, ahead of the string's first key: an
    // application reads keymap changes that come before a key event before it looks that
    // key up, and none can come while it fetches them. Those that find no place free now
    // are bound as they come (see DelaiAvant).
    const Horloge::time_point maintenant = Horloge::now();
    const auto dansDisposition = [&e](char32_t c) {
        return e.DansDisposition(c);
    };
    auto i = e.reserve.ProchaineALier(caracteres, 0, dansDisposition, maintenant);
    while (i && e.PlaceLiee(caracteres[*i], maintenant)) {
        i = e.reserve.ProchaineALier(caracteres, *i + 1, dansDisposition, maintenant);
    }
}

void ClavierX11::Synchronise() {
    XSync(etat_->d, False);
}

int ClavierX11::DelaiAvant(const Touche& touche) {
    Etat& e = *etat_;
    // Batches never pile up behind one another in the server: the next waits for the last.
    if (!e.LotTraite()) {
        return kAttenteLot;
    }
    if (e.xkb == nullptr) {
        return 0;
    }
    const char32_t c = touche.caractere;
    if (touche.genre != Touche::Genre::Caractere || e.SansLiaison(c)) {
        // A key typed alone (no modifier first) may be the one just released. Modifiers
        // are left out: a program that takes a modifier's release and press for a held key
        // still reads the state of the keys it modifies right.
        const std::vector<KeyCode> pressees = e.Pressees(touche, false);
        return touche.genre != Touche::Genre::Modificateur && pressees.size() == 1
                   ? e.AvantRepetition(pressees.front())
                   : 0;
    }
    const Horloge::time_point maintenant = Horloge::now();
    const auto choix = e.reserve.Choisit(maintenant);
    if (choix && choix->attente > 0) {
        return choix->attente;
    }
    // Bound now, and pressed only once applications have had a moment to read the change:
    // keymap changes that follow each other closely can leave one of them unread by a
    // program for good (LibreOffice's own X11 layer then types nothing for that key).
    return e.PlaceLiee(c, maintenant) ? kAttenteLiaison : 0;
}

// The keys that type `touche`, in the order they are pressed; a 0 among them when it
// cannot be typed. A character the layout lacks is bound to a spare key only when `lier`.
std::vector<KeyCode> ClavierX11::Etat::Pressees(const Touche& touche, bool lier) {
    std::vector<KeyCode> pressees;
    if (touche.genre != Touche::Genre::Caractere) {
        pressees.push_back(nommees[touche.code]);
    } else if (const char32_t c = touche.caractere; CaractereDeCommande(c)) {
        // Line breaks and tabs are their keys; a line feed is Ctrl+Enter, as on Windows.
        // No key types other control characters.
        const std::uint8_t code = c == U'\t'                 ? 9
                                  : c == U'\b'               ? 8
                                  : c == 0x1b                ? 27
                                  : c == U'\r' || c == U'\n' ? kCodeEntree
                                                             : 0;
        if (c == U'\n') {
            pressees.push_back(nommees[kCodeCtrl]);
        }
        pressees.push_back(code != 0 ? nommees[code] : KeyCode{0});
    } else {
        std::optional<Place> place;
        if (const auto it = caracteres.find(c); it != caracteres.end()) {
            place = it->second;
        } else if (const auto l = reserve.PlaceDe(c); !lier && l) {
            place = Place{static_cast<KeyCode>(l->code), l->acces.value_or(Modificateurs{})};
        } else if (lier) {
            place = PlaceLiee(c, Horloge::now());
        }
        if (place && place->mods.shift) {
            pressees.push_back(shift);
        }
        if (place && place->mods.niveau3) {
            pressees.push_back(niveau3);
        }
        pressees.push_back(place ? place->code : KeyCode{0});
    }
    return pressees;
}

bool ClavierX11::Enfonce(const Touche& touche) {
    Etat& e = *etat_;
    if (e.xkb == nullptr) {
        return false;
    }
    std::vector<KeyCode> pressees = e.Pressees(touche, true);
    if (std::find(pressees.begin(), pressees.end(), KeyCode{0}) != pressees.end()) {
        return false;
    }
    for (const KeyCode code : pressees) {
        e.Evenement(code, true);
    }
    if (touche.genre == Touche::Genre::Caractere) {
        e.reserve.Enfonce(touche.caractere);
    }
    const char32_t cle =
        touche.genre == Touche::Genre::Caractere ? touche.caractere : kBaseNommees + touche.code;
    e.enfoncees[cle] = std::move(pressees);
    return true;
}

void ClavierX11::Relache(const Touche& touche) {
    Etat& e = *etat_;
    const char32_t cle =
        touche.genre == Touche::Genre::Caractere ? touche.caractere : kBaseNommees + touche.code;
    const auto it = e.enfoncees.find(cle);
    if (it == e.enfoncees.end()) {
        return;
    }
    for (auto code = it->second.rbegin(); code != it->second.rend(); ++code) {
        e.Evenement(*code, false);
    }
    e.enfoncees.erase(it);
    if (touche.genre == Touche::Genre::Caractere) {
        e.reserve.Relache(touche.caractere);
    }
}

bool ClavierX11::VerrouActif(Verrou verrou) const {
    Display* d = etat_->d;
    XSync(d, False);
    const char* nom = verrou == Verrou::Majuscules  ? "Caps Lock"
                      : verrou == Verrou::Numerique ? "Num Lock"
                                                    : "Scroll Lock";
    Bool actif = False;
    if (XkbGetNamedIndicator(d, XInternAtom(d, nom, False), nullptr, &actif, nullptr, nullptr)) {
        return actif == True;
    }
    return false;
}

// The end of a batch: the server handles its keys while the event loop goes on; the
// property change that follows them tells when it is done (see DelaiAvant).
void ClavierX11::Envoie() {
    Etat& e = *etat_;
    const long n = 0;
    XChangeProperty(e.d, e.temoin, e.atomeTemoin, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&n), 1);
    XFlush(e.d);
    e.lotEnCours = true;
    e.relacheeEnvoyee = e.derniereRelachee != 0;
}

} // namespace kovra
