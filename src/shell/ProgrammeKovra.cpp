#include "shell/ProgrammeKovra.h"

#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"
#include "link/Acquisition.h"
#include "link/AdresseReseau.h"
#include "link/FichierPortSerie.h"
#include "link/SurveillancePort.h"
#include "settings/FenetreChoixCom.h"
#include "storage/Registre.h"

#include <QApplication>

namespace kovra {

namespace {

const QString kAucunScenario = QStringLiteral("Aucun scénario choisi");

} // namespace

bool FenetreKovraAuClavier() {
    return QApplication::activePopupWidget() != nullptr || QApplication::activeWindow() != nullptr;
}

ProgrammeKovra::ProgrammeKovra(ServicesProgramme services)
    : s_(std::move(services)),
      noyau_({s_.DossierDonnees, s_.registre, s_.dialogues, *this, s_.minuterie, s_.progression,
              s_.creeClavier, true, s_.clavierRetenu}) {
    connect(&noyau_.Port(), &MSComm::EtatChange, this, [this] { MetAJourIcone(); });
}

ProgrammeKovra::~ProgrammeKovra() {
    delete menu_.data();
}

bool ProgrammeKovra::Demarre() {
    BilanDemarrage bilan;
    try {
        bilan = noyau_.Demarre();
    } catch (const ErreurKovra& e) {
        s_.dialogues.Message(QStringLiteral("Erreur N° : ") +
                                 (e.Code().isEmpty() ? QStringLiteral("0") : e.Code()) +
                                 QStringLiteral("\r\n\r\n") + e.Message() +
                                 QStringLiteral("\r\n\r\nL'application va se fermer."),
                             Icone::Critique);
        return false;
    }
    if (bilan.port.resultat == ResultatOuverture::Impossible) {
        if (const auto refus = RefusAcces()) {
            s_.dialogues.Avis(*refus, Icone::Exclamation);
        }
        // Another port, for the next start; the program goes on with the port closed.
        auto* choix = new FenetreChoixCom(s_.DossierDonnees);
        choix->MontreRaison(bilan.port.erreur);
        choix->enregistre = [this](const QString& pourquoi) {
            if (!pourquoi.isEmpty()) {
                // What is in the way: a value of the file the next start would refuse, or
                // a file that cannot be written.
                s_.dialogues.Message(QStringLiteral("Le port choisi n'a pas été enregistré. ") +
                                         pourquoi,
                                     Icone::Exclamation);
                return;
            }
            // The port chosen is tried at once: Kovra need not be started again.
            noyau_.RouvrePort([this](const BilanOuverture& rouvert) {
                if (rouvert.Impossible()) {
                    const auto refus = RefusAcces();
                    s_.dialogues.Message(refus
                                             ? *refus
                                             : QStringLiteral("Le port n'a pas pu être ouvert : ") +
                                                   rouvert.erreur,
                                         Icone::Exclamation);
                }
            });
        };
        choix->show();
    } else if (bilan.port.resultat == ResultatOuverture::AConfigurer) {
        if (s_.ouvreParametrage) {
            s_.ouvreParametrage();
        }
    }
    AjouteIcone();
    if (s_.clavierAuDemarrage) {
        PrepareClavier();
    }
    return true;
}

void ProgrammeKovra::PrepareClavier() {
    try {
        if (const QString limite = s_.limiteClavier(noyau_.Clavier()); !limite.isEmpty()) {
            s_.dialogues.Avis(limite, Icone::Exclamation);
        }
    } catch (const ErreurKovra& e) {
        s_.dialogues.Avis(e.Message() + QStringLiteral(" Les trames des scénarios qui tapent au "
                                                       "clavier seront conservées sans être "
                                                       "tapées."),
                          Icone::Exclamation);
    }
}

std::optional<QString> ProgrammeKovra::RefusAcces() {
    const QString peripherique = noyau_.Port().NomPeripherique();
    if (EstAdresseReseau(peripherique)) {
        return std::nullopt; // no device file, which the user would need the right to open
    }
    const AccesPeripherique acces = EvalueAcces(peripherique, s_.identite);
    if (!acces.present || acces.permis) {
        return std::nullopt;
    }
    return RefusAccesFr(peripherique, acces, s_.identite);
}

void ProgrammeKovra::ModifieInfoBulle(int, const QString& nomScenario) {
    scenarioAffiche_ = nomScenario;
    MetAJourIcone();
}

void ProgrammeKovra::MetAJourIcone() {
    MSComm& port = noyau_.Port();
    QString etat = QStringLiteral("Fermé");
    nomIcone_ = QStringLiteral("port-ferme");
    if (port.PortOpen()) {
        etat = QStringLiteral("Ouvert");
        nomIcone_ = QStringLiteral("port-ouvert");
    } else if (noyau_.Surveillance().Perdu()) {
        etat = QStringLiteral("Débranché");
        nomIcone_ = QStringLiteral("port-perdu");
    } else if (port.EnConnexion()) {
        etat = QStringLiteral("Connexion");
    }
    bulle_ = TexteInfoBulle(port.CommPort,
                            scenarioAffiche_.isEmpty() ? kAucunScenario : scenarioAffiche_, etat);
    if (icone_) {
        icone_->setIcon(IconeKovra(nomIcone_));
        icone_->setToolTip(bulle_);
    }
}

void ProgrammeKovra::AjouteIcone() {
    if (!s_.trayDisponible()) {
        OuvreMenu(true);
        MetAJourIcone();
        return;
    }
    icone_ = std::make_unique<QSystemTrayIcon>();
    menuContextuel_ = std::make_unique<QMenu>();
    // Made again each time it is shown: "Commande" follows the registry as it is then.
    connect(menuContextuel_.get(), &QMenu::aboutToShow, this, [this] { RemplitMenuContextuel(); });
    RemplitMenuContextuel();
    icone_->setContextMenu(menuContextuel_.get());
    connect(icone_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason raison) {
                // The context request shows the context menu; every other activation the
                // menu window.
                if (raison != QSystemTrayIcon::Context) {
                    Active();
                }
            });
    MetAJourIcone();
    icone_->show();
}

void ProgrammeKovra::RemplitMenuContextuel() {
    menuContextuel_->clear();
    for (const EntreeMenu e : EntreesMenu(!s_.registre.Lit(kRacCde).isEmpty())) {
        menuContextuel_->addAction(LibelleEntree(e).trimmed(), this, [this, e] { Choisit(e); });
    }
}

void ProgrammeKovra::OuvreMenu(bool ordinaire) {
    if (menu_) {
        menu_->raise();
        menu_->activateWindow();
        return;
    }
    menu_ = new MenuTray(!s_.registre.Lit(kRacCde).isEmpty(), ordinaire,
                         [this](EntreeMenu e) { Choisit(e); });
    menu_->AfficheSousLeCurseur();
}

void ProgrammeKovra::Active() {
    if (!quitte_) {
        OuvreMenu(false);
    }
}

void ProgrammeKovra::Choisit(EntreeMenu entree) {
    switch (entree) {
    case EntreeMenu::Kovra:
        Kovra();
        break;
    case EntreeMenu::Parametrage:
        Parametrage();
        break;
    case EntreeMenu::Fichier:
        Fichier();
        break;
    case EntreeMenu::Transfert:
        Transfert();
        break;
    case EntreeMenu::Commande:
        Commande();
        break;
    case EntreeMenu::Quitter:
        Quitter();
        break;
    }
}

void ProgrammeKovra::Kovra() {
    if (s_.ouvreAPropos) {
        s_.ouvreAPropos();
    }
}

void ProgrammeKovra::Parametrage() {
    if (!s_.registre.Lit(kMDPUTL).isEmpty()) {
        s_.dialogues.Message(QStringLiteral("Problème de mot de passe"), Icone::Aucune);
        return;
    }
    if (s_.ouvreParametrage) {
        s_.ouvreParametrage();
    }
}

void ProgrammeKovra::Fichier() {
    const QString fichier = LitPortSerie(s_.DossierDonnees).fichier;
    if (!fichier.isEmpty()) {
        if (s_.importeFichier) {
            s_.importeFichier(fichier);
        }
    } else if (s_.ouvreImport) {
        s_.ouvreImport();
    }
}

void ProgrammeKovra::Transfert() {
    if (noyau_.Acquisitions().Occupe()) {
        if (s_.dialogues.Question(QStringLiteral("Une acquisition est déjà en cours. Voulez-vous "
                                                 "l'arrêter ? Les enregistrements déjà reçus "
                                                 "sont conservés."),
                                  Icone::Question, kTitreApplication)) {
            noyau_.ArreteAcquisition();
        }
        return;
    }
    const EtatLiaison& liaison = noyau_.Liaison();
    if (!ParAcquisition(liaison.TypeTerminal)) {
        s_.dialogues.Message(QStringLiteral("Le terminal « %1 » envoie ses données de lui-même : "
                                            "il n'y a pas d'acquisition à lancer.")
                                 .arg(liaison.Protocole),
                             Icone::Information);
        return;
    }
    noyau_.DemarreAcquisition();
}

void ProgrammeKovra::Commande() {
    const QString commande = s_.registre.Lit(kRacCde);
    if (commande.isEmpty()) {
        s_.dialogues.Message(QStringLiteral("Aucun scénario n'est défini pour la commande"),
                             Icone::Information);
        return;
    }
    if (!s_.registre.Ecrit(kRacScenChx, commande)) {
        s_.dialogues.Message(QStringLiteral("Impossible d'écrire la valeur %1 dans %2.")
                                 .arg(kRacScenChx, s_.registre.Emplacement(kCleKovra)),
                             Icone::Exclamation);
        return;
    }
    if (noyau_.RechargeScenarioChoisi()) {
        s_.dialogues.Message(QStringLiteral("Scénario de commande actif !"), Icone::Information);
    }
}

void ProgrammeKovra::Quitter() {
    if (quitte_) {
        return;
    }
    quitte_ = true;
    if (menu_) {
        menu_->PermetFermeture();
        menu_->close();
    }
    // Nothing half done is lost: an acquisition stops with its records kept, a frame being
    // typed or written is finished.
    noyau_.ArreteAcquisition();
    const bool portOuvert = noyau_.Port().PortOpen();
    noyau_.Quitte([this, portOuvert] {
        if (portOuvert) {
            s_.dialogues.Bip();
            s_.dialogues.Bip();
        }
        if (icone_) {
            icone_->hide();
        }
        if (s_.quitte) {
            s_.quitte(0);
        }
    });
}

} // namespace kovra
