#include "link/Rfc2217.h"

#include "link/Telnet.h"

#include <QtEndian>

namespace kovra::rfc2217 {

namespace {

constexpr unsigned char kVitesse = 1;
constexpr unsigned char kDonnees = 2;
constexpr unsigned char kParite = 3;
constexpr unsigned char kArret = 4;
constexpr unsigned char kControle = 5;
constexpr unsigned char kDecalageReponse = 100;

QByteArray Octet(int valeur) {
    return QByteArray(1, static_cast<char>(valeur));
}

// What a setting's value means, for the user.
QString Valeur(unsigned char commande, const QByteArray& v) {
    if (v.isEmpty()) {
        return QStringLiteral("rien");
    }
    const auto n = static_cast<unsigned char>(v.front());
    switch (commande) {
    case kVitesse:
        return v.size() == 4 ? QString::number(qFromBigEndian<quint32>(v.constData()))
                             : QStringLiteral("?");
    case kParite: {
        static const char* const noms[] = {"?", "aucune", "impaire", "paire", "marque", "espace"};
        return QString::fromUtf8(n < 6 ? noms[n] : "?");
    }
    case kArret:
        return n == 3 ? QStringLiteral("1.5") : QString::number(n);
    case kControle: {
        static const char* const noms[] = {"?", "aucun", "Xon/Xoff", "RTS/CTS"};
        return QString::fromUtf8(n < 4 ? noms[n] : "?");
    }
    default:
        return QString::number(n);
    }
}

QString Nom(unsigned char commande) {
    switch (commande) {
    case kVitesse:
        return QStringLiteral("vitesse");
    case kDonnees:
        return QStringLiteral("bits de données");
    case kParite:
        return QStringLiteral("parité");
    case kArret:
        return QStringLiteral("bits d'arrêt");
    default:
        return QStringLiteral("contrôle de flux");
    }
}

} // namespace

QList<Reglage> ReglagesDemandes(const ReglagesLigne& l) {
    QByteArray vitesse(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(l.vitesse), vitesse.data());
    // Parity codes of the option: 1 none, 2 odd, 3 even, 4 mark, 5 space.
    const int parite = l.parite == u'O'   ? 2
                       : l.parite == u'E' ? 3
                       : l.parite == u'M' ? 4
                       : l.parite == u'S' ? 5
                                          : 1;
    const int arret = l.arret == ReglagesLigne::Arret::Deux       ? 2
                      : l.arret == ReglagesLigne::Arret::UnEtDemi ? 3
                                                                  : 1;
    // One outbound flow control: hardware wins when both are asked for, as on a local port.
    const int controle = l.flux >= 2 ? 3 : l.flux == 1 ? 2 : 1;
    return {{kVitesse, vitesse},
            {kDonnees, Octet(l.bitsDonnees)},
            {kParite, Octet(parite)},
            {kArret, Octet(arret)},
            {kControle, Octet(controle)}};
}

QByteArray Demande(const Reglage& r) {
    return telnet::SousNegociation(telnet::kComPort,
                                   QByteArray(1, static_cast<char>(r.commande)) + r.valeur);
}

std::optional<Reglage> Reponse(const QByteArray& contenu) {
    if (contenu.isEmpty()) {
        return std::nullopt;
    }
    const auto code = static_cast<unsigned char>(contenu.front());
    if (code <= kDecalageReponse || code > kDecalageReponse + kControle) {
        return std::nullopt;
    }
    return Reglage{static_cast<unsigned char>(code - kDecalageReponse), contenu.mid(1)};
}

QString DecritRefus(const Reglage& demande, const Reglage& reponse) {
    return QStringLiteral("%1 : le serveur a appliqué %2 au lieu de %3")
        .arg(Nom(demande.commande), Valeur(reponse.commande, reponse.valeur),
             Valeur(demande.commande, demande.valeur));
}

} // namespace kovra::rfc2217
