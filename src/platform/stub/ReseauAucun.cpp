#include "platform/Reseau.h"

namespace kovra::plateforme {

// Qt alone can only turn keepalive on (QAbstractSocket::KeepAliveOption), with the
// system's delays: the caller does that itself.
bool SurveilleConnexion(qintptr, int, int, int) {
    return false;
}

} // namespace kovra::plateforme
