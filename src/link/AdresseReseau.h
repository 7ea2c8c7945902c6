#pragma once

#include <QString>
#include <optional>
#include <variant>

namespace kovra {

// A terminal reached through a serial device server instead of a local device:
// "tcp://HOST:PORT" (the line's bytes, nothing else) or "rfc2217://HOST:PORT" (Telnet with
// the COM-PORT-OPTION, through which the line's settings are set). HOST is a name, an IPv4
// address, or an IPv6 address in brackets ("tcp://[::1]:2000").
struct AdresseReseau {
    enum class Mode { Brut, Rfc2217 };
    Mode mode = Mode::Brut;
    QString hote; // without the brackets of an IPv6 address
    quint16 port = 0;

    bool operator==(const AdresseReseau&) const = default;
};

// Whether the device name is meant as a network address (it starts with "tcp://" or
// "rfc2217://", in any case), well written or not.
bool EstAdresseReseau(const QString& peripherique);

// The address the name gives; nothing when it is no network address or a badly written one.
std::optional<AdresseReseau> LitAdresseReseau(const QString& peripherique);

// Why a name meant as a network address cannot be used, in a French sentence naming it;
// nothing when it can (or when it is no network address at all).
std::optional<QString> ProblemeAdresseReseau(const QString& peripherique);

// The address written back as the user writes it: "rfc2217://host:port".
QString TexteAdresseReseau(const AdresseReseau& adresse);

} // namespace kovra
