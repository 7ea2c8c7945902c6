#include "app/NoyauKovra.h"
#include "app/VerrouInstance.h"
#include "base/ErreurKovra.h"
#include "base/MinuterieQt.h"
#include "cli/Commande.h"
#include "cli/DialoguesConsole.h"
#include "keyboard/FabriqueClavier.h"
#include "link/Acquisition.h"
#include "platform/SignauxArret.h"

#include <QEventLoop>

namespace kovra {

namespace {

struct BulleConsole : InfoBulle {
    explicit BulleConsole(QTextStream& f) : flux(f) {}
    void ModifieInfoBulle(int port, const QString& nomScenario) override {
        flux << TexteInfoBulle(port, nomScenario).trimmed() << "\n";
        flux.flush();
    }
    QTextStream& flux;
};

// What a start-up that cannot listen lacks, as a command to give.
void VerifieDemarrage(const BilanDemarrage& bilan) {
    switch (bilan.port.resultat) {
    case ResultatOuverture::Inactif:
        throw ErreurKovra(QStringLiteral("Le port n'est pas actif (PortActif=0 dans "
                                         "PortSerie.ini)."));
    case ResultatOuverture::AConfigurer:
        throw ErreurKovra(QStringLiteral("Indiquez le port : kovra-cli ini set PortSerie.ini "
                                         "Port_série Port N (et Peripherique pour un "
                                         "périphérique donné)."));
    case ResultatOuverture::Impossible:
        throw ErreurKovra(bilan.port.erreur);
    case ResultatOuverture::Ouvert:
    case ResultatOuverture::DejaOuvert:
        break;
    }
    if (!bilan.scenarioCharge) {
        throw ErreurKovra(QStringLiteral("Choisissez un scénario : kovra-cli registry set "
                                         "RacScenChx NOM."));
    }
}

void Ecoute(ContexteCli& ctx, const Appel& a) {
    // The port and the files of the data folder are one program's at a time.
    VerrouInstance verrou(ctx.DossierPret());
    if (const PriseVerrou prise = verrou.Prend(); !prise.Prise()) {
        if (prise.issue == PriseVerrou::Issue::AutreInstance) {
            throw ErreurKovra(
                kDejaActive +
                QStringLiteral(" Un autre Kovra utilise le dossier %1.").arg(ctx.DossierPret()));
        }
        throw ErreurKovra(prise.message);
    }
    DialoguesConsole dialogues(ctx.erreurs);
    BulleConsole bulle(ctx.erreurs);
    MinuterieQt minuterie;
    ProgressionMuette progression;
    NoyauKovra noyau({ctx.DossierPret(), ctx.registre, dialogues, bulle, minuterie, progression,
                      CreeClavierSession, true});
    VerifieDemarrage(noyau.Demarre());

    QEventLoop boucle;
    bool livre = false;
    bool arrete = false;
    const bool acquisition = a.A(QStringLiteral("--acquire"));
    noyau.trameTraitee = [&](bool l) {
        livre = l;
        ctx.erreurs << (l ? "Trame livrée.\n" : "Trame non livrée.\n");
        ctx.erreurs.flush();
        if (acquisition) {
            noyau.Quitte([&] { boucle.quit(); });
        }
    };
    noyau.acquisitionInterrompue = [&] {
        noyau.Quitte([&] { boucle.quit(); });
    };
    // Interrupt and terminate end listening between two frames.
    SignauxArret signaux({SIGINT, SIGTERM});
    signaux.Surveille([&](int) {
        if (!arrete) {
            arrete = true;
            noyau.ArreteAcquisition();
            noyau.Quitte([&] { boucle.quit(); });
        }
    });

    bool refusee = false;
    const auto demarre = [&] {
        if (!noyau.DemarreAcquisition()) {
            refusee = true;
            boucle.quit();
        }
    };
    MSComm& port = noyau.Port();
    QMetaObject::Connection connexion;
    if (acquisition && port.EnConnexion()) {
        // A terminal on the network is asked once the link is made (the port watch calls
        // the server again as long as it is not).
        ctx.erreurs << "Connexion à " << port.NomPeripherique() << " en cours…\n";
        ctx.erreurs.flush();
        connexion = QObject::connect(&port, &MSComm::EtatChange, &boucle, [&] {
            if (port.PortOpen()) {
                QObject::disconnect(connexion);
                demarre();
            }
        });
    } else if (acquisition) {
        demarre();
    } else {
        ctx.erreurs << "Écoute du terminal " << noyau.Liaison().Protocole << " sur "
                    << port.NomPeripherique() << "\n";
        ctx.erreurs.flush();
    }
    if (!refusee) {
        boucle.exec();
    }
    if (refusee) {
        throw ErreurKovra(QStringLiteral("Le terminal %1 ne se lit pas par une acquisition "
                                         "(Optimus ou ScanPal).")
                              .arg(noyau.Liaison().Protocole));
    }
    if (acquisition && !livre) {
        throw ErreurKovra(QStringLiteral("Les enregistrements n'ont pas été livrés."));
    }
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
