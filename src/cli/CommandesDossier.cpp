#include "cli/Commande.h"

namespace kovra {

void AjouteCommandesDossier(std::vector<Commande>& table) {
    table.push_back({{"dir"},
                     0,
                     {},
                     "dir",
                     "Print the data folder, after creating or completing it.",
                     [](ContexteCli& ctx, const Appel&) {
                         ctx.sortie << ctx.DossierPret() << "\n";
                     }});
}

} // namespace kovra
