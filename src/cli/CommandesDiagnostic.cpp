#include "app/diagnostic/Diagnostic.h"
#include "app/diagnostic/SondesSysteme.h"
#include "base/ErreurKovra.h"
#include "cli/Commande.h"
#include "storage/DossierDonnees.h"

namespace kovra {

namespace {

// Looks at this machine as the user running the command; the data folder is only looked
// at, never created.
void Docteur(ContexteCli& ctx, const Appel&) {
    SondesSysteme sondes;
    const DescriptionPoste poste{ResoutDossierDonnees(ctx.optionDossier),
                                 QProcessEnvironment::systemEnvironment(),
                                 plateforme::IdentiteCourante(), ctx.registre, sondes};
    const std::vector<Constat> constats = Diagnostique(poste);
    for (const Constat& c : constats) {
        ctx.sortie << LigneConstat(c) << "\n";
    }
    ctx.sortie.flush();
    const auto echecs = std::count_if(constats.begin(), constats.end(),
                                      [](const Constat& c) { return c.niveau == Niveau::Echec; });
    if (echecs > 0) {
        throw ErreurKovra(echecs == 1 ? QStringLiteral("1 check failed")
                                      : QStringLiteral("%1 checks failed").arg(echecs));
    }
}

} // namespace

void AjouteCommandesDiagnostic(std::vector<Commande>& table) {
    table.push_back({{"doctor"},
                     0,
                     {},
                     "doctor",
                     "Check what on this machine may keep Kovra from working, changing nothing: "
                     "the data folder and its files, the chosen scenario, received data "
                     "waiting to be delivered, the serial port and "
                     "who may open it, the X11 display, Wayland, the keyboard layout, the "
                     "notification area, the transfer library. One line per check: ok, note "
                     "(worth knowing) or FAIL with its fix; exit status 1 when a check fails.",
                     Docteur});
}

} // namespace kovra
