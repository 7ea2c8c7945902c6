#pragma once

#include "base/Minuterie.h"
#include "base/Progression.h"
#include "dialogues/Dialogues.h"
#include "keyboard/ClavierVirtuel.h"
#include "keyboard/LecteurFrappe.h"
#include "processing/Compteur.h"
#include "processing/EtatTraitement.h"
#include "processing/TableTouches.h"
#include "storage/Environnement.h"
#include "storage/Registre.h"
#include "storage/ScenarioActif.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>

namespace kovra {

// Number of occurrences of a separator in a text; each search starts one character after
// the start of the previous match.
int CompteOccurrences(const QString& texte, const QString& separateur);

// Acts on the lock marks of a segment and removes them: each "{NUMLOCK}" toggles Num Lock,
// each "{CAPSLOCK}" switches Caps Lock off. Returns the segment without them; a lock key
// the keyboard could not press is added to `nonTapees`.
QString TraiteMarquesVerrous(QString segment, ClavierVirtuel& clavier, BilanFrappe& nonTapees);

// Tells the user which keys the keyboard could not type, if any; true when every key was.
[[nodiscard]] bool SignaleNonTapees(const BilanFrappe& bilan, Dialogues& dialogues);

// Checks, before anything is typed, that the keyboard can type every key of these plans;
// if not, tells the user which keys and on which layout, and returns false: nothing of
// them is to be typed.
[[nodiscard]] bool VerifieTapables(const std::vector<PlanFrappe>& plans,
                                   const ClavierVirtuel& clavier, Dialogues& dialogues);

// Whatever holds the serial port: closes it and opens it again when it is open.
class ReinitialisationPort {
public:
    virtual ~ReinitialisationPort() = default;
    virtual void ReinitialisePort() = 0;
};

// What the pipeline works with, owned by the program. The scenario and the settings are
// read when each frame is processed, so a change reaches the next frame.
struct ServicesTraitement {
    const Environnement& env;
    const EtatScenario& scenario; // the active scenario
    EtatTraitement& etat;
    const TableTouches& touches;
    const MiroirsRegistre& miroirs; // the decimal separator, the pause between keys
    // The keyboard that types, made when the first keystroke frame is delivered; throws
    // ErreurKovra when there is none to type with.
    std::function<ClavierVirtuel&()> clavier;
    Minuterie& minuterie;
    Progression& progression;
    ReinitialisationPort* port = nullptr; // none while the port is not handled
    // Whether a window of the program holds the keyboard: typing waits meanwhile.
    std::function<bool()> clavierRetenu = {};
};

// Lets the target window become active again once processing is over.
inline constexpr int kAvantFrappe = 100;

// While another program holds the scenario database, the counter of a frame is asked for
// again this often, for this long at most; the frame is then not delivered.
inline constexpr int kReessaiCompteur = 100;
inline constexpr int kAttenteCompteur = 5000;

// One frame to process and deliver.
struct DemandeTraitement {
    QString trame;
    // A file that holds the frame (a spool file): deleted once the frame is delivered,
    // kept, with a message naming it, when it could not be.
    QString conserve;
    // The scenario to process it with (its name, ScenarioActif, names its compiled file);
    // none: the program's active scenario, as it is when the frame's turn comes.
    std::shared_ptr<const EtatScenario> scenario;
    bool reinitialisePort = true; // a received frame resets the port; an import does not
    int delaiAvant = kAvantFrappe;
    // A frame not delivered whole and with no file of its own is kept in a file of the data
    // folder, to be recovered; a frame the user made up to try a scenario is not.
    bool conserveNonLivree = true;
    // Called once this frame has been dealt with, after `termine`: whether it was delivered
    // whole. Not called when the pipeline is destroyed first.
    std::function<void(bool livre)> fin = {};
};

// Takes each frame through processing and delivers it: typed for a keystroke scenario,
// cut at its "{TIMER}" marks with a pause of PauseTimer after each segment and with the
// pause between keystrokes of the registry (DelaiTouches, as it was when the frame was
// processed), or written to the scenario's file; then the port is reset. Every pause is a
// timer and typing goes in batches on the event loop, which is never held: while another
// program holds the scenario database, the counter is asked for again on a timer. A frame
// is not delivered (it is kept, see DemandeTraitement) when no scenario is chosen, when its
// compiled scenario is missing or holds no action, when its counter cannot be taken, or when
// its key string would stop before its end; the user is told why. A frame handed over while another
// is processed or typed waits its turn. Destroying the pipeline drops what is pending.
class TraiteEmul {
public:
    explicit TraiteEmul(ServicesTraitement services);
    ~TraiteEmul();
    TraiteEmul(const TraiteEmul&) = delete;
    TraiteEmul& operator=(const TraiteEmul&) = delete;

    void Traite(DemandeTraitement demande);
    void Traite(const QString& trameRecue, const QString& conserve = QString()) {
        Traite(DemandeTraitement{trameRecue, conserve, nullptr});
    }
    // Whether a frame is processed, waits to be typed, or is being typed.
    bool Occupe() const { return occupe_; }
    // Whether keys of a frame are being typed (a window appearing now would take them).
    bool EnFrappe() const { return enFrappe_; }
    // When the last key was typed, if any (the keyboard may only be put back some time
    // after it).
    std::optional<std::chrono::steady_clock::time_point> DerniereTouche() const;
    // Called each time a frame has been dealt with: whether it was delivered whole (false
    // when its file could not be written or keys could not be typed; the user was told).
    std::function<void(bool livre)> termine;

private:
    struct Livraison {
        QString sortie;
        bool fichier;
        bool numerote;
        QString chemin;
        int delaiTouches; // milliseconds between keystrokes
    };

    void Suivante();
    // Takes the frame's counter (`attendu`: how long the database has been found locked),
    // then processes the frame.
    void PrendCompteurPuisTraite(int attendu);
    void TraiteEnCours(const QString& compteur);
    const EtatScenario& ScenarioEnCours() const;
    // Tells the user why the frame is not delivered, then ends it so, on the next turn.
    void Refuse(const QString& raison, Icone icone);
    void Livre(const Livraison& livraison);
    void TapeSegment(QStringList segments, int i, bool avecPauses);
    void Fin(bool livre);

    ServicesTraitement s_;
    MinuterieLiee minuterie_;
    std::unique_ptr<CompteurRun> compteur_;
    std::unique_ptr<LecteurFrappe> lecteur_;
    ClavierVirtuel* clavierLecteur_ = nullptr;
    std::deque<DemandeTraitement> enAttente_;
    DemandeTraitement enCours_;
    BilanFrappe bilan_;    // of the frame being typed
    int delaiTouches_ = 0; // of the frame being typed
    bool occupe_ = false;
    bool enFrappe_ = false;
};

} // namespace kovra
