#include "keyboard/wayland/ConnexionWayland.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cstring>
#include <functional>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace kovra {

struct ConnexionWayland::Etat {
    wl_display* affichage = nullptr;
    wl_registry* registre = nullptr;
    wl_seat* siege = nullptr;
    wl_keyboard* clavier = nullptr;
    wl_callback* synchro = nullptr;
    std::vector<Globale> globales;
    xkb_context* contexte = nullptr;
    xkb_keymap* carte = nullptr;
    std::uint32_t groupe = 0;

    ~Etat() {
        if (carte != nullptr) {
            xkb_keymap_unref(carte);
        }
        if (contexte != nullptr) {
            xkb_context_unref(contexte);
        }
        if (synchro != nullptr) {
            wl_callback_destroy(synchro);
        }
        if (clavier != nullptr) {
            wl_keyboard_destroy(clavier);
        }
        if (siege != nullptr) {
            wl_seat_destroy(siege);
        }
        if (registre != nullptr) {
            wl_registry_destroy(registre);
        }
        if (affichage != nullptr) {
            wl_display_disconnect(affichage);
        }
    }
};

namespace {

using Etat = ConnexionWayland::Etat;

void Carte(void* donnees, wl_keyboard*, std::uint32_t format, std::int32_t fd,
           std::uint32_t taille) {
    auto* e = static_cast<Etat*>(donnees);
    if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && taille > 0) {
        void* texte = mmap(nullptr, taille, PROT_READ, MAP_PRIVATE, fd, 0);
        if (texte != MAP_FAILED) {
            // The text ends with its NUL, within `taille`.
            xkb_keymap* carte =
                xkb_keymap_new_from_buffer(e->contexte, static_cast<const char*>(texte),
                                           strnlen(static_cast<const char*>(texte), taille),
                                           XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
            munmap(texte, taille);
            if (carte != nullptr) {
                if (e->carte != nullptr) {
                    xkb_keymap_unref(e->carte);
                }
                e->carte = carte;
                e->groupe = 0;
            }
        }
    }
    close(fd);
}
void Entree(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void Sortie(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void Cle(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {}
// Sent to the program whose window has the focus only: the layout in use is known while
// one of Kovra's windows has it, else the first of the keymap is taken.
void Modificateurs(void* donnees, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                   std::uint32_t, std::uint32_t groupe) {
    static_cast<Etat*>(donnees)->groupe = groupe;
}
void Repetition(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
const wl_keyboard_listener kEcouteClavier{Carte, Entree, Sortie, Cle, Modificateurs, Repetition};

void Capacites(void* donnees, wl_seat* siege, std::uint32_t capacites) {
    auto* e = static_cast<Etat*>(donnees);
    if ((capacites & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && e->clavier == nullptr) {
        e->clavier = wl_seat_get_keyboard(siege);
        wl_keyboard_add_listener(e->clavier, &kEcouteClavier, e);
    }
}
void NomSiege(void*, wl_seat*, const char*) {}
const wl_seat_listener kEcouteSiege{Capacites, NomSiege};

void Annonce(void* donnees, wl_registry* registre, std::uint32_t nom, const char* interface,
             std::uint32_t version) {
    auto* e = static_cast<Etat*>(donnees);
    e->globales.push_back({interface, nom, version});
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && e->siege == nullptr) {
        e->siege = static_cast<wl_seat*>(
            wl_registry_bind(registre, nom, &wl_seat_interface, std::min(version, 5U)));
        wl_seat_add_listener(e->siege, &kEcouteSiege, e);
    }
}
void Retrait(void* donnees, wl_registry*, std::uint32_t nom) {
    auto& g = static_cast<Etat*>(donnees)->globales;
    std::erase_if(g, [nom](const ConnexionWayland::Globale& x) { return x.nom == nom; });
}
const wl_registry_listener kEcouteRegistre{Annonce, Retrait};

void SynchroFaite(void* donnees, wl_callback* rappel, std::uint32_t) {
    auto* e = static_cast<Etat*>(donnees);
    wl_callback_destroy(rappel);
    if (e->synchro == rappel) {
        e->synchro = nullptr;
    }
}
const wl_callback_listener kEcouteSynchro{SynchroFaite};

} // namespace

ConnexionWayland::ConnexionWayland() : etat_(std::make_unique<Etat>()) {}

ConnexionWayland::~ConnexionWayland() {
    veille_.reset();
}

std::unique_ptr<ConnexionWayland> ConnexionWayland::Ouvre(std::string& erreur,
                                                          const char* affichage) {
    std::unique_ptr<ConnexionWayland> c(new ConnexionWayland());
    Etat& e = *c->etat_;
    e.affichage = wl_display_connect(affichage);
    if (e.affichage == nullptr) {
        erreur = "la session Wayland ne répond pas";
        return nullptr;
    }
    e.contexte = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    e.registre = wl_display_get_registry(e.affichage);
    wl_registry_add_listener(e.registre, &kEcouteRegistre, &e);
    // The globals, then the seat's capabilities, then its keyboard's keymap.
    for (int i = 0; i < 3; ++i) {
        if (wl_display_roundtrip(e.affichage) < 0) {
            erreur = "la session Wayland a fermé la connexion";
            return nullptr;
        }
    }
    // Events the compositor sends later (a new keymap when the user changes layouts) are
    // read as they come, so that they never pile up while nothing is typed.
    c->veille_ =
        std::make_unique<QSocketNotifier>(wl_display_get_fd(e.affichage), QSocketNotifier::Read);
    QObject::connect(c->veille_.get(), &QSocketNotifier::activated, c->veille_.get(),
                     [p = c.get()] { p->Lit(); });
    return c;
}

wl_display* ConnexionWayland::Affichage() const {
    return etat_->affichage;
}

const std::vector<ConnexionWayland::Globale>& ConnexionWayland::Globales() const {
    return etat_->globales;
}

const ConnexionWayland::Globale* ConnexionWayland::Cherche(const char* interface) const {
    for (const Globale& g : etat_->globales) {
        if (g.interface == interface) {
            return &g;
        }
    }
    return nullptr;
}

void* ConnexionWayland::Lie(const Globale& g, const wl_interface* interface,
                            std::uint32_t version) {
    return wl_registry_bind(etat_->registre, g.nom, interface, std::min(version, g.version));
}

wl_seat* ConnexionWayland::Siege() const {
    return etat_->siege;
}

xkb_keymap* ConnexionWayland::Carte() const {
    return etat_->carte;
}

std::uint32_t ConnexionWayland::Groupe() const {
    return etat_->groupe;
}

void ConnexionWayland::Lit() {
    if (Rompue()) {
        if (veille_) {
            veille_->setEnabled(false);
        }
        return;
    }
    LitPendant(0);
}

void ConnexionWayland::LitPendant(int millisecondes) {
    wl_display* d = etat_->affichage;
    while (wl_display_prepare_read(d) != 0) {
        wl_display_dispatch_pending(d);
    }
    wl_display_flush(d);
    pollfd p{wl_display_get_fd(d), POLLIN, 0};
    if (poll(&p, 1, millisecondes) > 0) {
        wl_display_read_events(d);
    } else {
        wl_display_cancel_read(d);
    }
    wl_display_dispatch_pending(d);
}

bool ConnexionWayland::Attend(const std::function<bool()>& fait, std::chrono::milliseconds delai) {
    using Horloge = std::chrono::steady_clock;
    const auto fin = Horloge::now() + delai;
    while (!fait() && !Rompue()) {
        const auto reste =
            std::chrono::duration_cast<std::chrono::milliseconds>(fin - Horloge::now()).count();
        if (reste <= 0) {
            break;
        }
        LitPendant(static_cast<int>(reste));
    }
    return fait();
}

bool ConnexionWayland::AttendCarte(std::chrono::milliseconds delai) {
    return Attend([this] { return etat_->carte != nullptr; }, delai);
}

bool ConnexionWayland::AttendSynchro(std::chrono::milliseconds delai) {
    DemandeSynchro();
    return Attend([this] { return etat_->synchro == nullptr; }, delai);
}

void ConnexionWayland::DemandeSynchro() {
    if (etat_->synchro != nullptr) {
        wl_callback_destroy(etat_->synchro);
    }
    etat_->synchro = wl_display_sync(etat_->affichage);
    wl_callback_add_listener(etat_->synchro, &kEcouteSynchro, etat_.get());
    wl_display_flush(etat_->affichage);
}

bool ConnexionWayland::Synchronise() {
    if (etat_->synchro != nullptr) {
        Lit();
    }
    return etat_->synchro == nullptr || Rompue();
}

void ConnexionWayland::Vide() {
    wl_display_flush(etat_->affichage);
}

bool ConnexionWayland::Rompue() const {
    return wl_display_get_error(etat_->affichage) != 0;
}

} // namespace kovra
