#pragma once

#include <QByteArray>
#include <QList>

namespace kovra::telnet {

// The Telnet bytes a serial device server speaks in RFC 2217 mode.
inline constexpr char kIac = char(255);
inline constexpr char kDont = char(254);
inline constexpr char kDo = char(253);
inline constexpr char kWont = char(252);
inline constexpr char kWill = char(251);
inline constexpr char kSb = char(250);
inline constexpr char kSe = char(240);

inline constexpr unsigned char kBinaire = 0;
inline constexpr unsigned char kSansGoAhead = 3;
inline constexpr unsigned char kComPort = 44;

// What the peer said besides data: an option request, or a subnegotiation.
struct Commande {
    unsigned char verbe = 0; // kWill, kWont, kDo, kDont as unsigned, or kSb
    unsigned char option = 0;
    QByteArray contenu; // a subnegotiation's bytes, doubled IACs made single again

    bool operator==(const Commande&) const = default;
};

// Splits what the peer sends into data and commands. Sequences may be cut anywhere
// between two reads: what is incomplete waits for the next bytes.
class Decodeur {
public:
    // Appends the data to `donnees` and the commands, in order, to `commandes`. A CR
    // followed by NUL gives CR alone when `crNul` is set (a peer not in binary mode).
    void Decode(const QByteArray& octets, QByteArray& donnees, QList<Commande>& commandes,
                bool crNul);

private:
    enum class Etat { Donnees, Iac, Option, Sous, SousIac, ApresCr };
    Etat etat_ = Etat::Donnees;
    unsigned char verbe_ = 0;
    QByteArray sous_;
};

// Data for the wire: every IAC byte doubled; a CR alone followed by NUL when `crNul`.
QByteArray Echappe(const QByteArray& donnees, bool crNul = false);

// An option request: IAC verb option.
QByteArray Demande(char verbe, unsigned char option);

// A subnegotiation of an option: IAC SB option bytes IAC SE, IACs of the bytes doubled.
QByteArray SousNegociation(unsigned char option, const QByteArray& contenu);

} // namespace kovra::telnet
