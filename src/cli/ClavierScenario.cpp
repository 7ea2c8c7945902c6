#include "ClavierScenario.h"

#include "ClavierEnregistreur.h"
#include "ClavierX11.h"
#include "ErreurKovra.h"

namespace kovra {

std::unique_ptr<ClavierVirtuel> ClavierScenario(bool sortieFichier) {
    if (sortieFichier) {
        return std::make_unique<ClavierEnregistreur>();
    }
    try {
        return std::make_unique<ClavierX11>();
    } catch (const ClavierX11::ErreurAffichage& e) {
        throw ErreurKovra(QString::fromStdString(e.what()) +
                          QStringLiteral(" : la frappe demande une session X11."));
    }
}

} // namespace kovra
