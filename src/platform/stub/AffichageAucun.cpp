#include "platform/Affichage.h"

namespace kovra::plateforme {

// A build without X11 reaches no X server.
std::optional<EtatAffichage> SondeAffichageX11(const QString&) {
    return std::nullopt;
}

} // namespace kovra::plateforme
