#pragma once

#include "link/AdresseReseau.h"
#include "link/Rfc2217.h"
#include "link/Telnet.h"
#include "link/TexteServeur.h"
#include "link/Transport.h"

#include <QTcpSocket>
#include <QTimer>
#include <bitset>
#include <memory>

namespace kovra {

// How long a network link may take at each step, and how a silent peer is found.
struct DelaisReseau {
    int connexionMs = 10000;  // name resolution and connection
    int negociationMs = 5000; // the server's answers to the COM-PORT-OPTION and settings
    int texteMs = 500;        // the first bytes held back while they may be a server's words; a raw
                              // connection left quiet that long is taken as made
    int inactifS = 10;        // keepalive: quiet time before the first probe,
    int intervalleS = 5;      // then one probe every so many seconds,
    int essais = 3;           // and the peer given up after so many unanswered
};

// A terminal on a serial device server: raw TCP, or Telnet with the COM-PORT-OPTION
// through which the line's settings are asked for. Name resolution and connection run on
// the event loop; every failure, at any step, comes as Perdu with its cause.
class TransportReseau : public Transport {
    Q_OBJECT
public:
    TransportReseau(const AdresseReseau& adresse, const DelaisReseau& delais);
    ~TransportReseau() override;

    std::optional<QString> Ouvre(const ReglagesLigne& reglages) override;
    void Ferme() override;
    bool Pret() const override { return etat_ == Etat::Pret; }
    bool EnConnexion() const override {
        return etat_ == Etat::Connexion || etat_ == Etat::Negociation;
    }
    bool RouvertureSansPerte() const override { return false; }
    QByteArray Lit(qint64 maximum) override;
    qint64 Disponibles() const override { return recus_.size(); }
    bool Ecrit(const QByteArray& octets) override;

private:
    enum class Etat { Ferme, Connexion, Negociation, Pret, Perdu };

    bool Telnet() const { return adresse_.mode == AdresseReseau::Mode::Rfc2217; }
    void SurConnexion();
    void SurLecture();
    void SurErreur(QAbstractSocket::SocketError erreur);
    void SurDelai();
    void Commandes(const QList<telnet::Commande>& commandes);
    void Option(unsigned char verbe, unsigned char option);
    void ReponseReglage(const QByteArray& contenu);
    void Donnees(const QByteArray& donnees);
    void DevientPret();
    void Envoie(const QByteArray& octets);
    void Perd(PerteLiaison::Cause cause, const QString& detail = {});

    AdresseReseau adresse_;
    DelaisReseau delais_;
    ReglagesLigne reglages_;
    QTcpSocket* socket_ = nullptr; // a child: freed with the transport at the latest
    QTimer delai_;                 // connection, then negotiation
    QTimer texte_;                 // the first bytes held back
    Etat etat_ = Etat::Ferme;
    QByteArray recus_; // data received, waiting to be read
    telnet::Decodeur decodeur_;
    GuetteurTexteServeur guetteur_;
    bool optionAcceptee_ = false;
    QList<rfc2217::Reglage> enAttente_; // settings asked for, not answered yet
    bool binaireLocal_ = false;         // we send in binary mode
    bool binaireDistant_ = false;       // the server sends in binary mode
    std::bitset<256> reponduDo_;        // the server's DO already answered, by option
    std::bitset<256> reponduWill_;      // its WILL already answered
};

} // namespace kovra
