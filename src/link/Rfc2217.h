#pragma once

#include "link/Transport.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace kovra::rfc2217 {

// The line settings a client asks of the server through the COM-PORT-OPTION, and how the
// server's answers (the same command number plus 100, with the value it applied) compare.
struct Reglage {
    unsigned char commande = 0; // 1 baud rate, 2 data size, 3 parity, 4 stop size, 5 control
    QByteArray valeur;          // as sent: 4 bytes for the baud rate, 1 for the others

    bool operator==(const Reglage&) const = default;
};

// The five settings that make the line: speed, data bits, parity, stop bits, flow control.
QList<Reglage> ReglagesDemandes(const ReglagesLigne& ligne);

// The subnegotiation that asks for one setting.
QByteArray Demande(const Reglage& reglage);

// The server's answer to a setting, from a COM-PORT-OPTION subnegotiation's bytes (the
// command first); nothing when the bytes are no answer to a setting.
std::optional<Reglage> Reponse(const QByteArray& contenu);

// What a setting's answer that differs from what was asked means, in French: "vitesse :
// le serveur a appliqué 1200 au lieu de 9600".
QString DecritRefus(const Reglage& demande, const Reglage& reponse);

} // namespace kovra::rfc2217
