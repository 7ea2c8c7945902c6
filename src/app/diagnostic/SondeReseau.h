#pragma once

#include <QString>
#include <optional>

namespace kovra {

// Reaches a terminal's device server the way the port does, then lets go: the name
// resolves, the server's port answers, and in RFC 2217 mode the server accepts the option
// and the line settings (`reglages` "9600,N,8,1", `flux` the handshaking), each step
// within `delaiMs`. What is wrong, in English for kovra-cli; nothing when all went well.
// Runs the event loop until it knows: for a command, not for a window.
std::optional<QString> SondeServeurSerie(const QString& adresse, const QString& reglages, int flux,
                                         int delaiMs = 3000);

} // namespace kovra
