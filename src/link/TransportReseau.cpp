#include "link/TransportReseau.h"

#include "platform/Reseau.h"

namespace kovra {

namespace {

using telnet::kComPort;

constexpr qint64 kTamponLecture = 256 * 1024;

constexpr auto kWill = static_cast<unsigned char>(telnet::kWill);
constexpr auto kWont = static_cast<unsigned char>(telnet::kWont);
constexpr auto kDo = static_cast<unsigned char>(telnet::kDo);
constexpr auto kDont = static_cast<unsigned char>(telnet::kDont);
constexpr auto kSb = static_cast<unsigned char>(telnet::kSb);

} // namespace

TransportReseau::TransportReseau(const AdresseReseau& adresse, const DelaisReseau& delais)
    : adresse_(adresse), delais_(delais) {
    delai_.setSingleShot(true);
    texte_.setSingleShot(true);
    connect(&delai_, &QTimer::timeout, this, &TransportReseau::SurDelai);
    connect(&texte_, &QTimer::timeout, this, [this] {
        const QByteArray libres = guetteur_.Libere();
        if (guetteur_.Message()) {
            Perd(PerteLiaison::Cause::MessageServeur, *guetteur_.Message());
            return;
        }
        recus_ += libres;
        if (!Telnet() && etat_ == Etat::Negociation) {
            DevientPret(); // the server let the connection be: the link is made
        } else if (Pret() && !libres.isEmpty()) {
            emit Arrivee();
        }
    });
}

TransportReseau::~TransportReseau() {
    Ferme();
}

std::optional<QString> TransportReseau::Ouvre(const ReglagesLigne& reglages) {
    Ferme();
    reglages_ = reglages;
    decodeur_ = {};
    guetteur_.Reinitialise();
    optionAcceptee_ = false;
    enAttente_.clear();
    binaireLocal_ = false;
    binaireDistant_ = false;
    reponduDo_.reset();
    reponduWill_.reset();
    // A child of the transport: a socket left behind by a closing is freed with it at last.
    socket_ = new QTcpSocket(this);
    // What the server sends waits in the system, not in memory, while a read is handled: a
    // large transfer goes to its file piece by piece.
    socket_->setReadBufferSize(kTamponLecture);
    connect(socket_, &QTcpSocket::connected, this, &TransportReseau::SurConnexion);
    connect(socket_, &QTcpSocket::readyRead, this, &TransportReseau::SurLecture);
    connect(socket_, &QTcpSocket::errorOccurred, this, &TransportReseau::SurErreur);
    connect(socket_, &QTcpSocket::disconnected, this,
            [this] { SurErreur(QAbstractSocket::RemoteHostClosedError); });
    etat_ = Etat::Connexion;
    delai_.start(delais_.connexionMs);
    // The name is looked up away from the event loop; the connection follows by itself.
    socket_->connectToHost(adresse_.hote, adresse_.port);
    return std::nullopt;
}

void TransportReseau::Ferme() {
    delai_.stop();
    texte_.stop();
    if (socket_ != nullptr) {
        QTcpSocket* socket = std::exchange(socket_, nullptr);
        disconnect(socket, nullptr, this, nullptr);
        // What was written is handed to the system first; it still goes out after the close.
        socket->flush();
        socket->abort();
        // Not deleted here: the closing may come from one of the socket's own signals.
        socket->deleteLater();
    }
    etat_ = Etat::Ferme;
    recus_.clear();
}

QByteArray TransportReseau::Lit(qint64 maximum) {
    if (maximum <= 0 || maximum >= recus_.size()) {
        return std::exchange(recus_, QByteArray());
    }
    QByteArray debut = recus_.left(maximum);
    recus_.remove(0, maximum);
    return debut;
}

bool TransportReseau::Ecrit(const QByteArray& octets) {
    if (etat_ != Etat::Pret) {
        return false;
    }
    const QByteArray ligne = Telnet() ? telnet::Echappe(octets, !binaireLocal_) : octets;
    const bool ecrit = socket_->write(ligne) == ligne.size();
    socket_->flush();
    return ecrit && etat_ == Etat::Pret;
}

void TransportReseau::Envoie(const QByteArray& octets) {
    socket_->write(octets);
    socket_->flush();
}

void TransportReseau::SurConnexion() {
    delai_.stop();
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!plateforme::SurveilleConnexion(socket_->socketDescriptor(), delais_.inactifS,
                                        delais_.intervalleS, delais_.essais)) {
        socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    }
    texte_.start(delais_.texteMs);
    etat_ = Etat::Negociation;
    if (!Telnet()) {
        // A raw connection is made once the server has let it be for a moment without
        // words of its own (ser2net says at once that it cannot open its device, and
        // closes), or once the terminal's data shows it is.
        return;
    }
    delai_.start(delais_.negociationMs);
    Envoie(telnet::Demande(telnet::kWill, kComPort) +
           telnet::Demande(telnet::kWill, telnet::kBinaire) +
           telnet::Demande(telnet::kDo, telnet::kBinaire));
}

void TransportReseau::SurLecture() {
    if (socket_ == nullptr) {
        return;
    }
    const QByteArray octets = socket_->readAll();
    if (!Telnet()) {
        Donnees(octets);
        return;
    }
    QByteArray donnees;
    QList<telnet::Commande> commandes;
    decodeur_.Decode(octets, donnees, commandes, !binaireDistant_);
    Commandes(commandes);
    if (etat_ == Etat::Negociation || etat_ == Etat::Pret) {
        Donnees(donnees);
    }
}

void TransportReseau::Commandes(const QList<telnet::Commande>& commandes) {
    for (const telnet::Commande& c : commandes) {
        if (etat_ != Etat::Negociation && etat_ != Etat::Pret) {
            return;
        }
        if (c.verbe == kSb) {
            if (c.option == kComPort) {
                ReponseReglage(c.contenu);
            }
        } else {
            Option(c.verbe, c.option);
        }
    }
}

void TransportReseau::Option(unsigned char verbe, unsigned char option) {
    if (option == kComPort) {
        if (verbe == kDont || verbe == kWont) {
            if (!optionAcceptee_ && verbe == kDont) {
                Perd(PerteLiaison::Cause::OptionRefusee);
            }
            return;
        }
        if (verbe == kDo && !optionAcceptee_) {
            optionAcceptee_ = true;
            enAttente_ = rfc2217::ReglagesDemandes(reglages_);
            QByteArray demandes;
            for (const rfc2217::Reglage& r : enAttente_) {
                demandes += rfc2217::Demande(r);
            }
            Envoie(demandes);
        }
        return; // the server's own WILL COM-PORT-OPTION needs no answer from a client
    }
    if (option == telnet::kBinaire) {
        // Both ways asked for at the start: an answer only sets the mode.
        if (verbe == kDo || verbe == kDont) {
            binaireLocal_ = verbe == kDo;
        } else {
            binaireDistant_ = verbe == kWill;
        }
        return;
    }
    // Suppress-go-ahead is taken both ways (nothing here waits for a go-ahead); any other
    // option is declined. Each is answered once, so that a server asking again is not
    // drawn into an endless exchange; a refusal needs no answer.
    const bool accepte = option == telnet::kSansGoAhead;
    if (verbe == kDo && !reponduDo_.test(option)) {
        reponduDo_.set(option);
        Envoie(telnet::Demande(accepte ? telnet::kWill : telnet::kWont, option));
    } else if (verbe == kWill && !reponduWill_.test(option)) {
        reponduWill_.set(option);
        Envoie(telnet::Demande(accepte ? telnet::kDo : telnet::kDont, option));
    }
}

void TransportReseau::ReponseReglage(const QByteArray& contenu) {
    const std::optional<rfc2217::Reglage> reponse = rfc2217::Reponse(contenu);
    if (!reponse) {
        return; // a notification, a signature: nothing the link waits for
    }
    const auto demande =
        std::find_if(enAttente_.begin(), enAttente_.end(),
                     [&](const rfc2217::Reglage& r) { return r.commande == reponse->commande; });
    if (demande == enAttente_.end()) {
        return;
    }
    if (demande->valeur != reponse->valeur) {
        Perd(PerteLiaison::Cause::ReglageRefuse, rfc2217::DecritRefus(*demande, *reponse));
        return;
    }
    enAttente_.erase(demande);
    if (enAttente_.isEmpty() && etat_ == Etat::Negociation) {
        DevientPret();
    }
}

void TransportReseau::Donnees(const QByteArray& donnees) {
    const QByteArray libres = guetteur_.Recoit(donnees);
    if (guetteur_.Message()) {
        Perd(PerteLiaison::Cause::MessageServeur, *guetteur_.Message());
        return;
    }
    if (!guetteur_.Retient()) {
        texte_.stop();
    }
    recus_ += libres;
    if (!Telnet() && etat_ == Etat::Negociation && !libres.isEmpty()) {
        DevientPret();
    } else if (Pret() && !libres.isEmpty()) {
        emit Arrivee();
    }
}

void TransportReseau::DevientPret() {
    delai_.stop();
    etat_ = Etat::Pret;
    emit Connecte();
    if (etat_ == Etat::Pret && !recus_.isEmpty()) {
        emit Arrivee();
    }
}

void TransportReseau::SurDelai() {
    if (etat_ == Etat::Connexion) {
        Perd(PerteLiaison::Cause::Injoignable,
             QStringLiteral("aucune réponse en %1 s").arg(delais_.connexionMs / 1000));
    } else if (etat_ == Etat::Negociation && !optionAcceptee_) {
        Perd(PerteLiaison::Cause::SansReponseOption);
    } else if (etat_ == Etat::Negociation) {
        Perd(PerteLiaison::Cause::ReglageRefuse,
             QStringLiteral("le serveur n'a pas confirmé les réglages de la ligne"));
    }
}

void TransportReseau::SurErreur(QAbstractSocket::SocketError erreur) {
    if (etat_ == Etat::Ferme || etat_ == Etat::Perdu || socket_ == nullptr) {
        return;
    }
    SurLecture(); // what arrived before the end is data like any other
    if (etat_ == Etat::Perdu) {
        return;
    }
    const QString detail = socket_->errorString();
    using Cause = PerteLiaison::Cause;
    switch (erreur) {
    case QAbstractSocket::HostNotFoundError:
        Perd(Cause::HoteInconnu, detail);
        break;
    case QAbstractSocket::ConnectionRefusedError:
        Perd(Cause::Refusee);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        // ser2net closes so, without a word, when it cannot open its device.
        Perd(Cause::FermeeParServeur,
             Telnet() && etat_ == Etat::Negociation
                 ? QStringLiteral("avant d'avoir réglé la ligne : son port série est-il absent "
                                  "ou occupé ?")
                 : QString());
        break;
    case QAbstractSocket::SocketTimeoutError:
        Perd(Cause::Silence, detail);
        break;
    default:
        Perd(etat_ == Etat::Connexion ? Cause::Injoignable : Cause::Coupee, detail);
        break;
    }
}

void TransportReseau::Perd(PerteLiaison::Cause cause, const QString& detail) {
    if (etat_ == Etat::Ferme || etat_ == Etat::Perdu) {
        return;
    }
    delai_.stop();
    texte_.stop();
    PerteLiaison perte{cause, detail};
    // Bytes held back at the start were either the server's words or the terminal's data:
    // nothing is dropped.
    const QByteArray libres = guetteur_.Libere();
    if (guetteur_.Message()) {
        perte = {PerteLiaison::Cause::MessageServeur, *guetteur_.Message()};
    }
    recus_ += libres;
    const bool pret = etat_ == Etat::Pret;
    etat_ = Etat::Perdu;
    if (socket_ != nullptr) {
        disconnect(socket_, nullptr, this, nullptr);
        socket_->abort();
    }
    if (pret && !libres.isEmpty()) {
        emit Arrivee();
    }
    emit Perdu(perte);
}

} // namespace kovra
