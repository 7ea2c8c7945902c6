#pragma once

#include "app/NoyauKovra.h"
#include "link/AccesPeripherique.h"
#include "shell/MenuTray.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

namespace kovra {

class Registre;

// Whether a window of this program holds the keyboard: a pop-up (the menu) is open, or one of
// its windows is the active one.
[[nodiscard]] bool FenetreKovraAuClavier();

// What the program is made of, handed in by main() (or by a test).
struct ServicesProgramme {
    QString DossierDonnees;
    Registre& registre;
    Dialogues& dialogues;
    Minuterie& minuterie;
    Progression& progression;
    std::function<std::unique_ptr<ClavierVirtuel>()> creeClavier;
    // The windows the menu opens, shown without waiting for them.
    std::function<void()> ouvreAPropos;
    std::function<void()> ouvreImport;
    // Imports a file with ";" between the fields, without a window.
    std::function<void(const QString& fichier)> importeFichier;
    // The settings window.
    std::function<void()> ouvreParametrage;
    // Whether the desktop has a notification area.
    std::function<bool()> trayDisponible = [] {
        return QSystemTrayIcon::isSystemTrayAvailable();
    };
    // Ends the program with this status.
    std::function<void(int)> quitte;
    // Who runs the program: whether they may open the port's device.
    IdentiteUtilisateur identite = plateforme::IdentiteCourante();
    // Whether the program's own window holds the keyboard (typing waits meanwhile).
    std::function<bool()> clavierRetenu = FenetreKovraAuClavier;
    // Whether the keyboard is made at start-up rather than for the first frame: on a Wayland
    // desktop, whose windows lose the first keys of a keyboard made just before them, and
    // where the user must hear at once that Kovra cannot type there.
    bool clavierAuDemarrage = false;
    // What the user must know of the keyboard made (see LimiteClavier).
    std::function<QString(const ClavierVirtuel&)> limiteClavier = [](const ClavierVirtuel&) {
        return QString();
    };
};

// The running Kovra: the application core, the tray icon and its tip, the menu and what
// its entries do. What the text calls the hidden main window is this object: it holds no
// state of its own beyond the windows it shows.
class ProgrammeKovra : public QObject, public InfoBulle {
public:
    explicit ProgrammeKovra(ServicesProgramme services);
    ~ProgrammeKovra() override;

    // The load sequence after the start-up window. False when the program must end (the
    // user was told why); otherwise the icon is there and the program runs.
    [[nodiscard]] bool Demarre();

    // Any activation of the tray icon: the menu window.
    void Active();
    void Choisit(EntreeMenu entree);
    // The entries' actions.
    void Kovra();
    void Parametrage();
    void Fichier();
    void Transfert();
    void Quitter();
    void Commande();

    NoyauKovra& Noyau() { return noyau_; }
    QSystemTrayIcon* Icone() const { return icone_.get(); }
    // The icon's context menu (the system's own menu), when there is an icon.
    QMenu* MenuContextuel() const { return menuContextuel_.get(); }
    MenuTray* Menu() const { return menu_; }
    // What the tip says, and the name of the icon's picture.
    QString TexteBulle() const { return bulle_; }
    QString NomIcone() const { return nomIcone_; }

private:
    void ModifieInfoBulle(int port, const QString& nomScenario) override;
    void MetAJourIcone();
    void AjouteIcone();
    void RemplitMenuContextuel();
    void OuvreMenu(bool ordinaire);
    // When the port could not be opened because the user may not open its device: what to
    // tell them, with how to be allowed.
    std::optional<QString> RefusAcces();
    // Makes the keyboard now, saying what keeps it from typing everywhere.
    void PrepareClavier();

    ServicesProgramme s_;
    NoyauKovra noyau_;
    std::unique_ptr<QSystemTrayIcon> icone_;
    std::unique_ptr<QMenu> menuContextuel_;
    QPointer<MenuTray> menu_;
    QString scenarioAffiche_;
    QString bulle_;
    QString nomIcone_;
    bool quitte_ = false;
};

} // namespace kovra
