#include "base/ErreurKovra.h"
#include "cli/Autostart.h"
#include "cli/Commande.h"
#include "storage/DossierDonnees.h"

#include <QCoreApplication>

namespace kovra {

namespace {

// The tray program installed beside this one.
QString ProgrammeKovra() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/kovra");
}

void Active(ContexteCli& ctx, const Appel&) {
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const LieuxAutostart lieux = LieuxAutostart::Depuis(env);
    const QString dossier =
        ctx.optionDossier.isEmpty() ? QString() : ResoutDossierDonnees(ctx.optionDossier);
    ActiveAutostart(lieux, ProgrammeKovra(), dossier);
    ctx.sortie << "on: wrote " << lieux.EntreeUtilisateur() << "\n";
    if (dossier.isEmpty() && !env.value(QStringLiteral("KOVRA_DIR")).isEmpty()) {
        ctx.erreurs << "kovra-cli: note: $KOVRA_DIR is not passed on to the session; give --dir "
                       "to start Kovra on that folder\n";
    }
}

void Desactive(ContexteCli& ctx, const Appel&) {
    const LieuxAutostart lieux = LieuxAutostart::Depuis(QProcessEnvironment::systemEnvironment());
    ctx.sortie << "off: " << DesactiveAutostart(lieux, ProgrammeKovra()) << "\n";
}

void Etat(ContexteCli& ctx, const Appel&) {
    const EtatAutostart etat =
        LitEtatAutostart(LieuxAutostart::Depuis(QProcessEnvironment::systemEnvironment()));
    ctx.sortie << (etat.actif ? "on: Kovra starts with the session: "
                              : "off: Kovra does not start with the session: ")
               << etat.raison << "\n";
}

} // namespace

void AjouteCommandesAutostart(std::vector<Commande>& table) {
    table.push_back({{"autostart", "on"},
                     0,
                     {},
                     "autostart on",
                     "Start Kovra with the user's desktop session: writes the XDG autostart entry "
                     "$XDG_CONFIG_HOME/autostart/kovra.desktop (default ~/.config), which starts "
                     "the kovra program beside kovra-cli, on the data folder given with --dir "
                     "if any.",
                     Active});
    table.push_back({{"autostart", "off"},
                     0,
                     {},
                     "autostart off",
                     "No longer start Kovra with the session: removes the user's entry, or, when "
                     "a system-wide entry ($XDG_CONFIG_DIRS, default /etc/xdg) would start it, "
                     "writes a user entry with Hidden=true that turns it off for this user.",
                     Desactive});
    table.push_back({{"autostart", "status"},
                     0,
                     {},
                     "autostart status",
                     "Say whether Kovra starts with the session, and which entry decides.",
                     Etat});
}

} // namespace kovra
