#include "Acquisition.h"
#include "BaseScen.h"
#include "ClavierScenario.h"
#include "Commande.h"
#include "DialoguesConsole.h"
#include "DossierDonnees.h"
#include "ErreurKovra.h"
#include "ExporteScenario.h"
#include "OuverturePort.h"
#include "Reception.h"
#include "SurveillancePort.h"
#include "TableTouches.h"
#include "TraiteEmul.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace kovra {

namespace {

struct BulleConsole : InfoBulle {
    explicit BulleConsole(QTextStream& f) : flux(f) {}
    void ModifieInfoBulle(const QString& texte) override {
        flux << texte.trimmed() << "\n";
        flux.flush();
    }
    QTextStream& flux;
};

// Closes the port and opens it again after each frame, ready for the next transfer; not
// while another transfer is arriving. A port that does not open again is left to the port
// watch, which says so and retries.
struct PortRelance : ReinitialisationPort {
    explicit PortRelance(MSComm& p) : port(p) {}
    void ReinitialisePort() override {
        if (!port.PortOpen() || port.InBufferCount() > 0 || (occupee && occupee())) {
            return;
        }
        port.SetPortOpen(false);
        try {
            port.SetPortOpen(true);
        } catch (const MSComm::ErreurPort&) {
            // reported through the port's event
        }
    }
    MSComm& port;
    std::function<bool()> occupee;
};

// The chosen scenario, compiled again from the database and loaded, as at start-up.
void ChargeScenarioChoisi(EtatScenario& scenario, const Environnement& env, InfoBulle& bulle,
                          int port) {
    const QString choisi = env.registre.Lit(kRacScenChx);
    if (!choisi.isEmpty()) {
        BaseScen base(CheminDonnee(env.DossierDonnees, kScenDb));
        if (const auto numero = base.NumeroParNom(choisi)) {
            ExporteScenario(base, env.DossierDonnees, *numero);
        }
    }
    if (!ChargeScenarioActif(scenario, env, bulle, port)) {
        throw ErreurKovra(QStringLiteral("Choisissez un scénario : kovra-cli registry set "
                                         "RacScenChx NOM."));
    }
}

void Ecoute(ContexteCli& ctx, const Appel& a) {
    DialoguesConsole dialogues(ctx.erreurs);
    const Environnement env{ctx.DossierPret(), ctx.registre, dialogues};

    MSComm port;
    EtatLiaison liaison;
    try {
        switch (OuvrePort(port, liaison.TypeTerminal, env)) {
        case ResultatOuverture::Inactif:
            throw ErreurKovra(QStringLiteral("Le port n'est pas actif (PortActif=0 dans "
                                             "PortSerie.ini)."));
        case ResultatOuverture::AConfigurer:
            throw ErreurKovra(QStringLiteral("Indiquez le port : kovra-cli ini set PortSerie.ini "
                                             "Port_série Port N (et Peripherique pour un "
                                             "périphérique donné)."));
        case ResultatOuverture::Ouvert:
        case ResultatOuverture::DejaOuvert:
            break;
        }
    } catch (const MSComm::ErreurPort& e) {
        throw ErreurKovra(e.Message);
    }

    EtatScenario scenario;
    BulleConsole bulle(ctx.erreurs);
    ChargeScenarioChoisi(scenario, env, bulle, port.CommPort);
    const TableTouches touches = ChargeTableTouches(env.DossierDonnees);

    const std::unique_ptr<ClavierVirtuel> clavier = ClavierScenario(scenario.SortieFichier);
    EtatTraitement etat;
    MinuterieQt minuterie;
    ProgressionMuette progression;
    PortRelance relance(port);
    TraiteEmul emul({env, scenario, etat, touches, *clavier, minuterie, progression, &relance,
                     ctx.registre.Lit(kSepDec)});
    QEventLoop boucle;

    if (a.A(QStringLiteral("--acquire"))) {
        Acquisition acquisition(port, liaison, env,
                                [&](const QString& t, const QString& f) { emul.Traite(t, f); });
        bool livre = false;
        emul.termine = [&](bool l) {
            livre = l;
            boucle.quit();
        };
        if (!acquisition.Demarre()) {
            throw ErreurKovra(QStringLiteral("Le terminal %1 ne se lit pas par une acquisition "
                                             "(Optimus ou ScanPal).")
                                  .arg(liaison.TypeTerminal));
        }
        boucle.exec();
        if (!livre) {
            throw ErreurKovra(QStringLiteral("Les enregistrements n'ont pas été livrés."));
        }
        return;
    }

    SignaleAcquisitionsInterrompues(env);
    SurveillancePort surveillance(port, dialogues, minuterie);
    Reception reception(port, liaison, env, minuterie, progression,
                        [&](const QString& t, const QString& f) { emul.Traite(t, f); });
    relance.occupee = [&] {
        return reception.Occupee();
    };
    emul.termine = [&](bool livre) {
        ctx.erreurs << (livre ? "Trame livrée.\n" : "Trame non livrée.\n");
        ctx.erreurs.flush();
    };
    // Interrupt and terminate end listening between two frames.
    sigset_t signaux;
    sigemptyset(&signaux);
    sigaddset(&signaux, SIGINT);
    sigaddset(&signaux, SIGTERM);
    sigprocmask(SIG_BLOCK, &signaux, nullptr);
    const int fd = signalfd(-1, &signaux, SFD_CLOEXEC);
    QSocketNotifier arret(fd, QSocketNotifier::Read);
    QObject::connect(&arret, &QSocketNotifier::activated, &boucle, [&] {
        signalfd_siginfo info{};
        (void)!read(fd, &info, sizeof info);
        boucle.quit();
    });
    ctx.erreurs << "Écoute du terminal " << liaison.TypeTerminal << " sur "
                << port.NomPeripherique() << "\n";
    ctx.erreurs.flush();
    boucle.exec();
    // A transfer already arriving or a frame being delivered is finished first.
    while (emul.Occupe() || reception.Occupee()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    close(fd);
}

} // namespace

void AjouteCommandesEcoute(std::vector<Commande>& table) {
    table.push_back({{"listen"},
                     0,
                     {{"--acquire", false}},
                     "listen [--acquire]",
                     "Receive transfers on the port of PortSerie.ini and deliver them with the "
                     "chosen scenario (RacScenChx) until interrupted; messages on standard "
                     "error. --acquire: run one Optimus/ScanPal acquisition and exit.",
                     Ecoute});
}

} // namespace kovra
