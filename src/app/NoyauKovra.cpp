#include "app/NoyauKovra.h"
#include "app/DonneesConservees.h"
#include "dialogues/Dialogues.h"
#include "storage/Registre.h"

#include "base/ErreurKovra.h"
#include "keyboard/EnvoiTouches.h"
#include "keyboard/LecteurFrappe.h"
#include "keyboard/PlanFrappe.h"
#include "link/Acquisition.h"
#include "link/AiguillagePort.h"
#include "link/Reception.h"
#include "link/SurveillancePort.h"
#include "storage/BaseScen.h"
#include "storage/DossierDonnees.h"
#include "storage/ExporteScenario.h"

#include <chrono>

namespace kovra {

// The timer the parts run on. Every change of a part's state happens in one of its timer
// continuations or port events: after each, the core looks whether what waits for a free
// run may go (no clock asks).
class NoyauKovra::MinuterieSuivie : public Minuterie {
public:
    MinuterieSuivie(Minuterie& source, NoyauKovra& noyau) : source_(source), noyau_(noyau) {}
    void Apres(int millisecondes, std::function<void()> suite) override {
        source_.Apres(millisecondes, [vivant = std::weak_ptr<char>(jeton_), noyau = &noyau_,
                                      suite = std::move(suite)] {
            suite();
            if (!vivant.expired()) {
                noyau->VerifieLibre();
            }
        });
    }

private:
    Minuterie& source_;
    NoyauKovra& noyau_;
    std::shared_ptr<char> jeton_ = std::make_shared<char>();
};

// Makes the line ready for the next transfer after each frame (a local line is closed and
// opened again); not while another transfer is arriving. A port that does not open again
// raises its own event, which the port watch reports and follows.
class NoyauKovra::Relance : public ReinitialisationPort {
public:
    explicit Relance(NoyauKovra& noyau) : noyau_(noyau) {}
    void ReinitialisePort() override {
        MSComm& port = noyau_.port_;
        if (!port.PortOpen() || port.InBufferCount() > 0 || noyau_.reception_->Occupe()) {
            return;
        }
        port.Reinitialise();
    }

private:
    NoyauKovra& noyau_;
};

NoyauKovra::NoyauKovra(ServicesNoyau services)
    : s_(std::move(services)), dialogues_(s_.dialogues,
                                          [this] {
                                              return (pipeline_ && pipeline_->EnFrappe()) ||
                                                     (lecteur_ && lecteur_->Occupe());
                                          }),
      env_{s_.DossierDonnees, s_.registre, dialogues_}, minuterie_(s_.minuterie),
      suivie_(std::make_unique<MinuterieSuivie>(s_.minuterie, *this)) {
    relance_ = std::make_unique<Relance>(*this);
    pipeline_ = std::make_unique<TraiteEmul>(
        ServicesTraitement{env_, scenario_, traitement_, touches_, miroirs_,
                           [this]() -> ClavierVirtuel& { return Clavier(); }, *suivie_,
                           s_.progression, relance_.get(), s_.clavierRetenu});
    pipeline_->termine = [this](bool livre) {
        dialogues_.Libere();
        if (trameTraitee) {
            trameTraitee(livre);
        }
    };
    const auto traite = [this](const QString& trame, const QString& conserve) {
        pipeline_->Traite(trame, conserve);
    };
    reception_ =
        std::make_unique<Reception>(port_, liaison_, env_, *suivie_, s_.progression, traite);
    acquisition_ = std::make_unique<Acquisition>(port_, liaison_, env_, *suivie_, traite);
    acquisition_->interrompue = [this] {
        if (acquisitionInterrompue) {
            acquisitionInterrompue();
        }
    };
    surveillance_ = std::make_unique<SurveillancePort>(port_, dialogues_, *suivie_);
    aiguillage_ = std::make_unique<AiguillagePort>(port_, liaison_, reception_.get(),
                                                   acquisition_.get(), surveillance_.get());
    // Connected after the parts: it runs once they have taken the event.
    QObject::connect(&port_, &MSComm::OnComm, &port_, [this] { VerifieLibre(); });
}

NoyauKovra::~NoyauKovra() {
    // The parts that hold timers or keys go first, the keyboard after them.
    aiguillage_.reset();
    surveillance_.reset();
    acquisition_.reset();
    reception_.reset();
    lecteur_.reset();
    pipeline_.reset();
}

BaseScen& NoyauKovra::Base() {
    if (base_ == nullptr) {
        // Made with the data folder, before the run; never again empty while it runs.
        base_ = std::make_unique<BaseScen>(CheminDonnee(env_.DossierDonnees, kScenDb),
                                           OuvertureBase::Existante);
    }
    return *base_;
}

void NoyauKovra::ChargeReglages() {
    liaison_.EnReception = false;
    Base();
    miroirs_ = MiroirsRegistre::Lit(s_.registre);
    touches_ = ChargeTableTouches(env_.DossierDonnees);
}

bool NoyauKovra::RechargeScenarioChoisi() {
    const QString choisi = s_.registre.Lit(kRacScenChx);
    if (!choisi.isEmpty()) {
        if (const auto numero = Base().NumeroParNom(choisi)) {
            try {
                ExporteScenario(Base(), env_.DossierDonnees, *numero);
            } catch (const ErreurKovra& e) {
                dialogues_.Message(e.Message() + QStringLiteral("\r\n\r\nLe scénario est chargé "
                                                                "tel qu'il a été compilé la "
                                                                "dernière fois."),
                                   Icone::Exclamation);
            }
        }
    }
    return ChargeScenarioActif(scenario_, env_, s_.bulle, port_.CommPort);
}

BilanDemarrage NoyauKovra::Demarre() {
    ChargeReglages();
    BilanDemarrage bilan;
    bilan.scenarioCharge = RechargeScenarioChoisi();
    bilan.port = OuvrePort();
    RangeDonneesConservees(env_);
    return bilan;
}

BilanOuverture NoyauKovra::OuvrePort(bool memeInactif) {
    BilanOuverture bilan;
    if (portPrete_) {
        // Two programs must never read one line: the wish is kept for when it comes back.
        bilan.prete = true;
        rouvrirApresPret_ = true;
        emit port_.EtatChange();
        return bilan;
    }
    try {
        bilan.resultat = kovra::OuvrePort(port_, liaison_, env_, memeInactif);
    } catch (const MSComm::ErreurPort& e) {
        if (e.Numero != MSComm::kErreurPortInvalide) {
            throw ErreurKovra(e.Message(), e.Code());
        }
        bilan.resultat = ResultatOuverture::Impossible;
        bilan.erreur = e.Message();
    }
    return bilan;
}

void NoyauKovra::FermePort(std::function<void()> puis) {
    QuandLibre([this, puis = std::move(puis)] {
        if (portPrete_ && rouvrirApresPret_) {
            rouvrirApresPret_ = false;
            emit port_.EtatChange();
        }
        surveillance_->Oublie();
        port_.SetPortOpen(false);
        if (puis) {
            puis();
        }
    });
}

void NoyauKovra::RouvrePort(std::function<void(const BilanOuverture&)> puis, bool memeInactif) {
    QuandLibre([this, puis = std::move(puis), memeInactif] {
        surveillance_->Oublie();
        port_.SetPortOpen(false);
        BilanOuverture bilan;
        try {
            bilan = OuvrePort(memeInactif);
        } catch (const ErreurKovra& e) {
            bilan.resultat = ResultatOuverture::Impossible;
            bilan.erreur = e.Message();
        }
        if (puis) {
            puis(bilan);
        }
    });
}

void NoyauKovra::PretePortTransfert(std::function<void()> puis) {
    if (!portPrete_) {
        portPrete_ = true;
        rouvrirApresPret_ = false;
        // The port's own signal tells the windows that show its state: a port already
        // closed does not change, but why it stays so does.
        emit port_.EtatChange();
    }
    QuandLibre([this, puis = std::move(puis)] {
        if (portPrete_) {
            rouvrirApresPret_ = rouvrirApresPret_ || port_.PortOpen() || port_.EnConnexion() ||
                                surveillance_->Perdu();
            surveillance_->Oublie();
            port_.SetPortOpen(false);
        }
        if (puis) {
            puis();
        }
    });
}

void NoyauKovra::RendPortTransfert(bool rouvrir) {
    if (!portPrete_) {
        return;
    }
    const bool rouvre = rouvrir && rouvrirApresPret_;
    portPrete_ = false;
    rouvrirApresPret_ = false;
    emit port_.EtatChange();
    if (rouvre) {
        // A line that cannot be had back (another program took it meanwhile, an adapter
        // pulled) is said, and waited for, rather than left closed without a word.
        RouvrePort(
            [this](const BilanOuverture& bilan) {
                if (bilan.Impossible() && !portPrete_) {
                    surveillance_->Attend(bilan.erreur);
                }
            },
            true);
    }
}

void NoyauKovra::RechargeReglages(std::function<void(bool)> puis) {
    QuandLibre([this, puis = std::move(puis)] {
        miroirs_ = MiroirsRegistre::Lit(s_.registre);
        touches_ = ChargeTableTouches(env_.DossierDonnees);
        const bool charge = RechargeScenarioChoisi();
        if (puis) {
            puis(charge);
        }
    });
}

bool NoyauKovra::DemarreAcquisition() {
    return acquisition_->Demarre();
}

void NoyauKovra::ArreteAcquisition() {
    acquisition_->Arrete();
    VerifieLibre();
}

void NoyauKovra::TraiteTrame(DemandeTraitement demande) {
    pipeline_->Traite(std::move(demande));
}

ClavierVirtuel& NoyauKovra::Clavier() {
    if (clavier_ == nullptr) {
        clavier_ = s_.creeClavier();
    }
    return *clavier_;
}

void NoyauKovra::TapeTouches(const QString& touches, std::function<void(bool)> fin) {
    // A string that would stop before its end is refused whole.
    if (const std::string arret = ArretTouches(touches.toStdU32String()); !arret.empty()) {
        dialogues_.Avis(QString::fromStdString(arret), Icone::Exclamation);
        fin(false);
        return;
    }
    ClavierVirtuel* clavier = nullptr;
    try {
        clavier = &Clavier();
    } catch (const ErreurKovra& e) {
        dialogues_.Avis(e.Message(), Icone::Exclamation);
        fin(false);
        return;
    }
    if (lecteur_ == nullptr) {
        lecteur_ = std::make_unique<LecteurFrappe>(*clavier, *suivie_, s_.clavierRetenu);
    }
    QuandLibre([this, clavier, texte = touches.toStdU32String(), fin = std::move(fin)] {
        // Keystrokes as far apart as the registry asks, as a frame's are.
        PlanFrappe plan = PlanifieTouches(texte, 0, *clavier);
        if (!VerifieTapables({plan}, *clavier, dialogues_)) {
            dialogues_.Libere();
            fin(false);
            return;
        }
        EspaceTouches(plan, DelaiTouchesLu(s_.registre.Lit(kDelaiTouches)));
        // Run only once nothing plays: a refusal would be a fault of this class, and the
        // string is then said not typed rather than waited for.
        if (!lecteur_->Joue(std::move(plan), [this, fin](const BilanFrappe& bilan) {
                dialogues_.Libere();
                fin(SignaleNonTapees(bilan, dialogues_));
            })) {
            fin(false);
        }
    });
}

bool NoyauKovra::Occupe() const {
    return reception_->Occupe() || acquisition_->Occupe() || pipeline_->Occupe() ||
           (lecteur_ && lecteur_->Occupe());
}

void NoyauKovra::QuandLibre(std::function<void()> action) {
    quandLibre_.push_back(std::move(action));
    VerifieLibre();
}

void NoyauKovra::VerifieLibre() {
    while (!quandLibre_.empty() && !Occupe()) {
        auto action = std::move(quandLibre_.front());
        quandLibre_.pop_front();
        action();
    }
}

void NoyauKovra::RestaureClavier(std::function<void()> puis) {
    if (clavier_ == nullptr || !s_.restaureClavierAQuitter) {
        puis();
        return;
    }
    // The last keys typed may still be waiting to be read with the keyboard as it is.
    using namespace std::chrono;
    auto derniere = pipeline_->DerniereTouche();
    if (lecteur_ && lecteur_->DerniereTouche() &&
        (!derniere || *lecteur_->DerniereTouche() > *derniere)) {
        derniere = lecteur_->DerniereTouche();
    }
    long long reste = 0;
    if (derniere) {
        reste = clavier_->DelaiRestauration() -
                duration_cast<milliseconds>(steady_clock::now() - *derniere).count();
    }
    minuterie_.Apres(static_cast<int>(std::max(reste, 0LL)), [this, puis = std::move(puis)] {
        clavier_->Restaure();
        puis();
    });
}

void NoyauKovra::Quitte(std::function<void()> fini) {
    reception_->PrepareArret(); // a transfer that is not coming to its end is not waited for
    QuandLibre([this, fini = std::move(fini)] {
        port_.SetPortOpen(false);
        RestaureClavier(fini);
    });
}

} // namespace kovra
