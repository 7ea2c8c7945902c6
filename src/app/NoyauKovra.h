#pragma once

#include "app/DialoguesDifferes.h"
#include "base/Minuterie.h"
#include "base/Progression.h"
#include "keyboard/ClavierVirtuel.h"
#include "link/EtatLiaison.h"
#include "link/MSComm.h"
#include "link/OuverturePort.h"
#include "processing/EtatTraitement.h"
#include "processing/TableTouches.h"
#include "processing/TraiteEmul.h"
#include "storage/Environnement.h"
#include "storage/InfoBulle.h"
#include "storage/Registre.h"
#include "storage/ScenarioActif.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>

namespace kovra {

class Acquisition;
class AiguillagePort;
class BaseScen;
class LecteurFrappe;
class Reception;
class SurveillancePort;

// What a front end hands the core: where the data is, the user's settings, how to speak
// to the user, the tooltip, time, progress, and how to make the keyboard that types.
struct ServicesNoyau {
    QString DossierDonnees;
    Registre& registre;
    Dialogues& dialogues;
    InfoBulle& bulle;
    Minuterie& minuterie;
    Progression& progression;
    // The keyboard, made when the first key is to be typed; throws ErreurKovra when there
    // is nothing to type into.
    std::function<std::unique_ptr<ClavierVirtuel>()> creeClavier;
    // Whether quitting puts the keyboard back as it was (a long-running program does; a
    // short command leaves its keys for the next one, in case the target reads late).
    bool restaureClavierAQuitter = true;
    // Whether a window of the program holds the keyboard now: typing waits meanwhile, so
    // that no key meant for another application lands in the program's own window.
    std::function<bool()> clavierRetenu = {};
};

// What opening the port came to.
struct BilanOuverture {
    ResultatOuverture resultat = ResultatOuverture::Inactif;
    QString erreur; // why, when the port could not be opened (to offer another port)
    // The transfer library holds the line: the port stays closed until it lets go.
    bool prete = false;
    bool Impossible() const { return !erreur.isEmpty(); }
};

// What start-up came to, short of an error that ends the program.
struct BilanDemarrage {
    BilanOuverture port;
    bool scenarioCharge = false; // false: no scenario is chosen (the user was told)
};

// The state and the services of one run of Kovra, without any window: the scenario
// database, the registry mirrors, the active scenario, the key tables, the serial port and
// the terminal link, the processing pipeline and the keyboard. Every front end (the tray
// program, the command line) creates one and calls its operations; the port's events,
// the timers and the pipeline run on the event loop, which nothing here ever holds.
class NoyauKovra {
public:
    explicit NoyauKovra(ServicesNoyau services);
    ~NoyauKovra();
    NoyauKovra(const NoyauKovra&) = delete;
    NoyauKovra& operator=(const NoyauKovra&) = delete;

    // The load sequence of start-up: ChargeReglages, the chosen scenario compiled again and
    // loaded, the port opened from PortSerie.ini, then the notices of acquisitions that did
    // not end and of received data kept undelivered. Throws ErreurKovra (its code the error number)
    // for an error that must end the program; a port that cannot be opened is not one: the result
    // says so.
    BilanDemarrage Demarre();
    // The database, the three registry mirrors and the key tables, for work without the port.
    void ChargeReglages();
    // Compiles the chosen scenario (RacScenChx) again from the database, then loads it. A
    // scenario that cannot be compiled is reported and its last compiled file loaded.
    // False when no scenario is chosen (the user was told).
    [[nodiscard]] bool RechargeScenarioChoisi();

    // Opens the port from PortSerie.ini now (see kovra::OuvrePort for `memeInactif`).
    BilanOuverture OuvrePort(bool memeInactif = false);
    // Closes the port once no transfer, acquisition or frame is under way, then `puis`. A
    // device that went away is no longer waited for: the port stays closed.
    void FermePort(std::function<void()> puis = {});
    // Closes the port when free and opens it again from PortSerie.ini, then `puis`. Every
    // failure, a value of the file that is no number included, comes back in the result.
    void RouvrePort(std::function<void(const BilanOuverture&)> puis = {}, bool memeInactif = false);
    // Lends the serial line to the terminal maker's transfer library, whose port opens on
    // the same device: Kovra's port is closed once nothing is under way, then `puis`.
    // Until RendPortTransfert no opening takes the line back: OuvrePort and RouvrePort
    // leave the port closed (their result says so) and remember that it is wanted open,
    // which FermePort forgets.
    void PretePortTransfert(std::function<void()> puis = {});
    // The library let go of the line: the port opens again (even with PortActif 0) when it
    // was open, or lost and awaited, when lent, or was asked for meanwhile; not when
    // `rouvrir` is false.
    void RendPortTransfert(bool rouvrir = true);
    bool PortPrete() const { return portPrete_; }
    // While the line is lent: whether the port opens again when the library lets go.
    bool RouvertureAttendue() const { return rouvrirApresPret_; }
    // Reads the registry values and the key tables again and reloads the chosen scenario,
    // once nothing is under way, so that the next frame follows the settings as saved;
    // then `puis` with whether a scenario is loaded.
    void RechargeReglages(std::function<void(bool)> puis = {});

    // Starts an Optimus or ScanPal acquisition; false when none can start (the user was
    // told why, unless the terminal is not read this way).
    bool DemarreAcquisition();
    // Cuts the running acquisition short; its records stay in their spool file.
    void ArreteAcquisition();

    // Processes a frame and delivers it (see TraiteEmul): on the active scenario, or on the
    // scenario state the demand carries. An import file is a frame too (TrameImport), with
    // reinitialisePort false: it does not come from the port.
    void TraiteTrame(DemandeTraitement demande);
    // Types a key string into the focused window; `fin` says whether every key was typed.
    void TapeTouches(const QString& touches, std::function<void(bool)> fin);

    // Whether a transfer, an acquisition, a frame or a key string is under way.
    [[nodiscard]] bool Occupe() const;
    // Runs `action` once nothing is under way.
    void QuandLibre(std::function<void()> action);
    // Ends the run cleanly: what is under way is finished (a transfer whose line is quiet is
    // set aside at once, not waited for), the port closed, the keyboard put back (once the
    // last keys had time to be read); then `fini`.
    void Quitte(std::function<void()> fini);

    // Called after each frame: whether it was delivered whole.
    std::function<void(bool livre)> trameTraitee;
    // Called when an acquisition ends without records to process (the user was told why).
    std::function<void()> acquisitionInterrompue;

    const Environnement& Env() const { return env_; }
    BaseScen& Base();
    const EtatScenario& Scenario() const { return scenario_; }
    MiroirsRegistre& Miroirs() { return miroirs_; }
    const TableTouches& Touches() const { return touches_; }
    EtatLiaison& Liaison() { return liaison_; }
    MSComm& Port() { return port_; }
    Acquisition& Acquisitions() { return *acquisition_; }
    SurveillancePort& Surveillance() { return *surveillance_; }
    // The keyboard that types, made the first time it is asked for (throws ErreurKovra,
    // saying why, when the session offers none; asked again next time).
    ClavierVirtuel& Clavier();

private:
    class Relance;
    class MinuterieSuivie;
    void VerifieLibre();
    void RestaureClavier(std::function<void()> puis);

    ServicesNoyau s_;
    DialoguesDifferes dialogues_;
    Environnement env_;
    MinuterieLiee minuterie_;
    std::unique_ptr<MinuterieSuivie> suivie_; // the parts' timer

    std::unique_ptr<BaseScen> base_;
    MiroirsRegistre miroirs_;
    EtatScenario scenario_;
    TableTouches touches_;
    EtatLiaison liaison_;
    EtatTraitement traitement_;

    MSComm port_;
    std::unique_ptr<ClavierVirtuel> clavier_;
    std::unique_ptr<Relance> relance_;
    std::unique_ptr<TraiteEmul> pipeline_;
    std::unique_ptr<LecteurFrappe> lecteur_; // key strings typed outside the pipeline
    std::unique_ptr<Reception> reception_;
    std::unique_ptr<Acquisition> acquisition_;
    std::unique_ptr<SurveillancePort> surveillance_;
    std::unique_ptr<AiguillagePort> aiguillage_;

    std::deque<std::function<void()>> quandLibre_;
    bool portPrete_ = false;
    bool rouvrirApresPret_ = false;
};

} // namespace kovra
