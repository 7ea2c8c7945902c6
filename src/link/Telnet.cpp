#include "link/Telnet.h"

namespace kovra::telnet {

namespace {

constexpr char kCr = '\r';
constexpr char kNul = '\0';

} // namespace

void Decodeur::Decode(const QByteArray& octets, QByteArray& donnees, QList<Commande>& commandes,
                      bool crNul) {
    const char* const debut = octets.constData();
    const char* const fin = debut + octets.size();
    for (const char* p = debut; p < fin; ++p) {
        if (etat_ == Etat::Donnees) {
            // Plain data up to the next byte that means something, taken in one piece.
            const char* special = p;
            while (special < fin && *special != kIac && *special != kCr) {
                ++special;
            }
            donnees.append(p, special - p);
            p = special;
            if (p == fin) {
                break;
            }
        }
        const char c = *p;
        const auto u = static_cast<unsigned char>(c);
        switch (etat_) {
        case Etat::ApresCr:
            etat_ = Etat::Donnees;
            if (c == kNul && crNul) {
                break; // the NUL that only follows a CR
            }
            [[fallthrough]];
        case Etat::Donnees:
            if (c == kIac) {
                etat_ = Etat::Iac;
            } else {
                donnees.append(c);
                if (c == kCr) {
                    etat_ = Etat::ApresCr;
                }
            }
            break;
        case Etat::Iac:
            if (c == kIac) {
                donnees.append(c);
                etat_ = Etat::Donnees;
            } else if (c == kWill || c == kWont || c == kDo || c == kDont) {
                verbe_ = u;
                etat_ = Etat::Option;
            } else if (c == kSb) {
                sous_.clear();
                etat_ = Etat::Sous;
            } else {
                etat_ = Etat::Donnees; // NOP, data mark, go ahead...: nothing for the data
            }
            break;
        case Etat::Option:
            commandes.append({verbe_, u, {}});
            etat_ = Etat::Donnees;
            break;
        case Etat::Sous:
            if (c == kIac) {
                etat_ = Etat::SousIac;
            } else {
                sous_.append(c);
            }
            break;
        case Etat::SousIac:
            if (c == kIac) {
                sous_.append(c);
                etat_ = Etat::Sous;
            } else {
                // IAC SE ends it (any other command ends it too: the peer broke it off).
                if (!sous_.isEmpty()) {
                    commandes.append({static_cast<unsigned char>(kSb),
                                      static_cast<unsigned char>(sous_.front()), sous_.mid(1)});
                }
                etat_ = Etat::Donnees;
            }
            break;
        }
    }
}

QByteArray Echappe(const QByteArray& donnees, bool crNul) {
    QByteArray sortie;
    sortie.reserve(donnees.size() + donnees.size() / 64 + 4);
    for (qsizetype i = 0; i < donnees.size(); ++i) {
        const char c = donnees[i];
        sortie.append(c);
        if (c == kIac) {
            sortie.append(kIac);
        } else if (c == kCr && crNul && (i + 1 == donnees.size() || donnees[i + 1] != '\n')) {
            sortie.append(kNul);
        }
    }
    return sortie;
}

QByteArray Demande(char verbe, unsigned char option) {
    return QByteArray() + kIac + verbe + static_cast<char>(option);
}

QByteArray SousNegociation(unsigned char option, const QByteArray& contenu) {
    return QByteArray() + kIac + kSb + static_cast<char>(option) + Echappe(contenu) + kIac + kSe;
}

} // namespace kovra::telnet
