#include "keyboard/wayland/ClavierWlroots.h"

#include "base/ErreurKovra.h"
#include "keyboard/wayland/ProtocoleClavierVirtuel.h"

#include <QString>

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

namespace kovra {

namespace {

std::uint32_t Temps() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

} // namespace

ClavierWlroots::ClavierWlroots(std::unique_ptr<ConnexionWayland> connexion)
    : ClavierCadence(kMiseEnPlace), connexion_(std::move(connexion)) {
    const ConnexionWayland::Globale* g =
        connexion_->Cherche(protocole::kNomGestionnaireClavierVirtuel);
    if (g == nullptr || connexion_->Siege() == nullptr) {
        throw ErreurKovra(QStringLiteral("Le bureau Wayland n'offre pas de clavier virtuel."));
    }
    gestionnaire_ =
        static_cast<wl_proxy*>(connexion_->Lie(*g, &protocole::kGestionnaireClavierVirtuel, 1));
    clavier_ = protocole::CreeClavierVirtuel(gestionnaire_, connexion_->Siege());
    contexte_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    Televerse();
    connexion_->DemandeSynchro();
}

ClavierWlroots::~ClavierWlroots() {
    // The last keys are handled before the keyboard goes.
    connexion_->AttendSynchro(kAttenteFin);
    if (clavier_ != nullptr) {
        protocole::DetruitClavierVirtuel(clavier_);
    }
    if (gestionnaire_ != nullptr) {
        wl_proxy_destroy(gestionnaire_);
    }
    connexion_->Vide();
    if (etat_ != nullptr) {
        xkb_state_unref(etat_);
    }
    if (xkb_ != nullptr) {
        xkb_keymap_unref(xkb_);
    }
    if (contexte_ != nullptr) {
        xkb_context_unref(contexte_);
    }
}

void ClavierWlroots::Televerse() {
    const std::string texte = carte_.Texte();
    xkb_keymap* xkb = xkb_keymap_new_from_string(
        contexte_, texte.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (xkb == nullptr) {
        // Made of fixed parts and keysyms' own names: it always compiles.
        throw ErreurKovra(QStringLiteral("Le clavier de Kovra n'a pas pu être préparé."));
    }
    const int fd = memfd_create("kovra-clavier", MFD_CLOEXEC);
    if (fd < 0 ||
        write(fd, texte.c_str(), texte.size() + 1) != static_cast<ssize_t>(texte.size() + 1)) {
        if (fd >= 0) {
            close(fd);
        }
        xkb_keymap_unref(xkb);
        throw ErreurKovra(QStringLiteral("Le clavier de Kovra n'a pas pu être préparé (mémoire)."));
    }
    protocole::EnvoieCarte(clavier_, fd, static_cast<std::uint32_t>(texte.size() + 1));
    close(fd);
    if (etat_ != nullptr) {
        xkb_state_unref(etat_);
    }
    if (xkb_ != nullptr) {
        xkb_keymap_unref(xkb_);
    }
    xkb_ = xkb;
    // The modifiers start released and unlocked with each keymap.
    etat_ = xkb_state_new(xkb_);
    enfonces_ = verrouilles_ = 0;
    protocole::EnvoieModificateurs(clavier_, 0, 0, 0);
    Rythme().Retarde(kAttenteCarte);
}

void ClavierWlroots::DebutFrappe(std::u32string_view caracteres) {
    texte_ = caracteres;
    tapes_ = 0;
    connexion_->Lit();
    if (carte_.Ajoute(texte_)) {
        Televerse();
        connexion_->DemandeSynchro();
    }
}

int ClavierWlroots::DelaiAvant(const Touche& touche) {
    if (touche.genre == Touche::Genre::Caractere && !carte_.Code(touche) &&
        tapes_ < texte_.size()) {
        // A text with more characters than the keymap holds: the rest of it comes in.
        if (carte_.Ajoute(std::u32string_view(texte_).substr(tapes_))) {
            Televerse();
            connexion_->DemandeSynchro();
        }
    }
    return ClavierCadence::DelaiAvant(touche);
}

bool ClavierWlroots::VerrouActif(Verrou verrou) const {
    // The locks of this keyboard: the user's do not act on it.
    const char* nom = verrou == Verrou::Majuscules  ? XKB_MOD_NAME_CAPS
                      : verrou == Verrou::Numerique ? XKB_MOD_NAME_NUM
                                                    : nullptr;
    return nom != nullptr && xkb_state_mod_name_is_active(etat_, nom, XKB_STATE_MODS_LOCKED) > 0;
}

std::vector<Touche> ClavierWlroots::Intapables(std::span<const Touche> touches) const {
    return ToucheManquantes(touches, [](const Touche& t) {
        return (t.genre == Touche::Genre::Caractere ? KeysymCaractere(t.caractere)
                                                    : KeysymNomme(t.code)) == kKeysymAucun;
    });
}

void ClavierWlroots::Cle(std::uint32_t code, bool enfoncee) {
    protocole::EnvoieCle(clavier_, Temps(), code - 8, enfoncee);
    xkb_state_update_key(etat_, code, enfoncee ? XKB_KEY_DOWN : XKB_KEY_UP);
    const auto enfonces = xkb_state_serialize_mods(etat_, XKB_STATE_MODS_DEPRESSED);
    const auto verrouilles = xkb_state_serialize_mods(etat_, XKB_STATE_MODS_LOCKED);
    Compte(1);
    if (enfonces != enfonces_ || verrouilles != verrouilles_) {
        enfonces_ = enfonces;
        verrouilles_ = verrouilles;
        protocole::EnvoieModificateurs(clavier_, enfonces, verrouilles, 0);
        Compte(1);
    }
}

bool ClavierWlroots::Presse(const Touche& touche) {
    const auto code = carte_.Code(touche);
    if (touche.genre == Touche::Genre::Caractere) {
        ++tapes_;
    }
    if (!code || connexion_->Rompue()) {
        return false;
    }
    Cle(*code, true);
    return true;
}

void ClavierWlroots::Lache(const Touche& touche) {
    if (const auto code = carte_.Code(touche); code && !connexion_->Rompue()) {
        Cle(*code, false);
    }
}

void ClavierWlroots::Expedie() {
    connexion_->DemandeSynchro();
}

bool ClavierWlroots::Synchronise() {
    return connexion_->Synchronise();
}

} // namespace kovra
