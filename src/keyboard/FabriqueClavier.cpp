#include "keyboard/FabriqueClavier.h"

#include "base/ErreurKovra.h"

#include <QString>

#ifdef KOVRA_CLAVIER_X11
#include "keyboard/x11/ClavierX11.h"
#endif

namespace kovra {

std::unique_ptr<ClavierVirtuel> CreeClavierSession() {
#ifdef KOVRA_CLAVIER_X11
    try {
        return std::make_unique<ClavierX11>();
    } catch (const ClavierX11::ErreurAffichage& e) {
        throw ErreurKovra(e.Message() + QStringLiteral(" : la frappe demande une session X11."));
    }
#else
    throw ErreurKovra(QStringLiteral("Cette version de Kovra ne sait pas taper au clavier sur ce "
                                     "système."));
#endif
}

} // namespace kovra
