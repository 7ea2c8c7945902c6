#include "keyboard/FabriqueClavier.h"

#include "base/ErreurKovra.h"
#include "keyboard/x11/ClavierX11.h"

#include <QString>

namespace kovra {

std::unique_ptr<ClavierVirtuel> CreeClavierSession() {
    try {
        return std::make_unique<ClavierX11>();
    } catch (const ClavierX11::ErreurAffichage& e) {
        throw ErreurKovra(QString::fromStdString(e.what()) +
                          QStringLiteral(" : la frappe demande une session X11."));
    }
}

} // namespace kovra
