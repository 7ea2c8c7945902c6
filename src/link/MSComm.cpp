#include "link/MSComm.h"

#include "base/Windows1252.h"
#include "link/AdresseReseau.h"
#include "link/TransportSerie.h"

#include <QStringList>

namespace kovra {

MSComm::MSComm(QObject* parent) : QObject(parent) {}

QString MSComm::NomPeripherique() const {
    if (!Peripherique.isEmpty()) {
        return Peripherique;
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(CommPort);
#else
    return QStringLiteral("/dev/ttyS%1").arg(CommPort - 1);
#endif
}

bool MSComm::Reseau() const {
    return EstAdresseReseau(NomPeripherique());
}

std::optional<ReglagesLigne> MSComm::ReglagesDemandes() const {
    const QStringList parts = Settings.split(u',');
    bool ok = parts.size() == 4;
    const int vitesse = ok ? parts[0].trimmed().toInt(&ok) : 0;
    bool okBits = false;
    const int bits = ok ? parts[2].trimmed().toInt(&okBits) : 0;
    const QString parite = ok ? parts[1].trimmed().toUpper() : QString();
    const QString arret = ok ? parts[3].trimmed() : QString();
    if (!ok || !okBits || vitesse <= 0 || bits < 5 || bits > 8 || parite.size() != 1 ||
        !QStringLiteral("NEOMS").contains(parite) ||
        (arret != u"1" && arret != u"1.5" && arret != u"2")) {
        return std::nullopt;
    }
    ReglagesLigne r;
    r.vitesse = vitesse;
    r.bitsDonnees = bits;
    r.parite = parite.front();
    r.arret = arret == u"2"     ? ReglagesLigne::Arret::Deux
              : arret == u"1.5" ? ReglagesLigne::Arret::UnEtDemi
                                : ReglagesLigne::Arret::Un;
    r.flux = Handshaking;
    return r;
}

void MSComm::CreeTransport() {
    if (transport_ != nullptr) {
        // The old one may be the sender of the signal being handled: freed later.
        disconnect(transport_, nullptr, this, nullptr);
        transport_->deleteLater();
    }
    const QString nom = NomPeripherique();
    if (const std::optional<AdresseReseau> adresse = LitAdresseReseau(nom)) {
        transport_ = new TransportReseau(*adresse, Delais);
    } else if (const std::optional<QString> probleme = ProblemeAdresseReseau(nom)) {
        transport_ = nullptr;
        throw ErreurPort(kErreurPortInvalide, *probleme);
    } else {
        transport_ = new TransportSerie(nom);
    }
    transport_->setParent(this);
    connect(transport_, &Transport::Arrivee, this, [this] {
        evenement_ = kComEvReceive;
        emit OnComm();
    });
    connect(transport_, &Transport::Perdu, this, [this](const PerteLiaison& perte) {
        perte_ = perte;
        SurIncident(kComEventDevice, true);
    });
    connect(transport_, &Transport::EchecEcriture, this,
            [this] { SurIncident(kComEventTxFull, false); });
    connect(transport_, &Transport::Connecte, this, &MSComm::EtatChange);
}

void MSComm::SurIncident(int evenement, bool perdu) {
    if (!enSortie_) {
        Signale(evenement, perdu);
        return;
    }
    // Output reports the failure to its caller, which acts on it first.
    QMetaObject::invokeMethod(
        this,
        [this, evenement, perdu, ouverture = ouverture_] {
            if (ouverture == ouverture_ && ouvert_) {
                Signale(evenement, perdu);
            }
        },
        Qt::QueuedConnection);
}

void MSComm::Signale(int evenement, bool perdu) {
    const quint64 ouverture = ouverture_;
    evenement_ = evenement;
    emit OnComm();
    if (perdu && ouverture == ouverture_) {
        SetPortOpen(false);
    }
}

void MSComm::SetPortOpen(bool ouvert) {
    if (!ouvert) {
        if (ouvert_) {
            ++ouverture_;
            ouvert_ = false;
            transport_->Ferme();
            emit EtatChange();
        }
        return;
    }
    if (ouvert_) {
        return;
    }
    const std::optional<ReglagesLigne> reglages = ReglagesDemandes();
    CreeTransport();
    ++ouverture_;
    // The device is opened before the settings are looked at, as the control did: a
    // missing device is what the user is asked about first.
    if (const std::optional<QString> raison =
            transport_->Ouvre(reglages.value_or(ReglagesLigne{}))) {
        throw ErreurPort(
            kErreurPortInvalide,
            QStringLiteral("Impossible d'ouvrir le port %1 : %2").arg(NomPeripherique(), *raison));
    }
    if (!reglages) {
        transport_->Ferme();
        throw ErreurPort(kErreurReglages,
                         QStringLiteral("Paramètres du port invalides : %1").arg(Settings));
    }
    ouvert_ = true;
    evenement_ = 0;
    emit EtatChange();
}

void MSComm::Reinitialise() {
    if (!PortOpen() || !transport_->RouvertureSansPerte()) {
        return;
    }
    SetPortOpen(false);
    try {
        SetPortOpen(true);
    } catch (const ErreurPort& e) {
        // The line went away meanwhile: said as any device gone, for the port watch.
        perte_ = {PerteLiaison::Cause::Debranche, e.Message()};
        evenement_ = kComEventDevice;
        emit OnComm();
    }
}

QString MSComm::Input() {
    if (!ouvert_) {
        return {};
    }
    return DecodeWindows1252(transport_->Lit(InputLen > 0 ? InputLen : 0));
}

bool MSComm::Output(const QString& texte) {
    if (!PortOpen()) {
        return false;
    }
    enSortie_ = true;
    const bool ecrit = transport_->Ecrit(EncodeWindows1252(texte));
    enSortie_ = false;
    return ecrit && PortOpen();
}

int MSComm::InBufferCount() const {
    return ouvert_ ? static_cast<int>(transport_->Disponibles()) : 0;
}

} // namespace kovra
