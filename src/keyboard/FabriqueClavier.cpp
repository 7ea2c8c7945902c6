#include "keyboard/FabriqueClavier.h"

#include "base/ErreurKovra.h"

#include <QtGlobal>

#ifdef KOVRA_CLAVIER_X11
#include "keyboard/x11/ClavierX11.h"
#endif
#ifdef KOVRA_CLAVIER_WAYLAND
#include "keyboard/wayland/ClavierKwin.h"
#include "keyboard/wayland/ClavierMutter.h"
#include "keyboard/wayland/ClavierWlroots.h"
#include "keyboard/wayland/ProtocoleClavierVirtuel.h"

#include <QDBusConnectionInterface>
#endif

namespace kovra {

namespace {

#ifdef KOVRA_CLAVIER_WAYLAND
// The keyboard of the Wayland desktop; nullptr, with why, when it offers none.
std::unique_ptr<ClavierVirtuel> ClavierWayland(QString& pourquoi) {
    std::string erreur;
    auto connexion = ConnexionWayland::Ouvre(erreur);
    if (!connexion) {
        pourquoi = QString::fromStdString(erreur);
        return nullptr;
    }
    if (connexion->Cherche(protocole::kNomGestionnaireClavierVirtuel) != nullptr) {
        return std::make_unique<ClavierWlroots>(std::move(connexion));
    }
    if (connexion->Cherche("org_kde_kwin_fake_input") != nullptr) {
        return std::make_unique<ClavierKwin>(std::move(connexion));
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface() != nullptr &&
        bus.interface()->isServiceRegistered(QString::fromLatin1(ClavierMutter::kService))) {
        return std::make_unique<ClavierMutter>(std::move(connexion), bus);
    }
    pourquoi = QStringLiteral("le bureau n'offre ni clavier virtuel (wlroots), ni « fake input » "
                              "autorisé à Kovra (KDE Plasma), ni bureau à distance (GNOME 43 ou "
                              "plus récent)");
    return nullptr;
}
#endif

} // namespace

bool SessionWayland() {
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland";
}

std::unique_ptr<ClavierVirtuel> CreeClavierSession() {
    QString pourquoiWayland;
#ifdef KOVRA_CLAVIER_WAYLAND
    if (SessionWayland()) {
        if (auto clavier = ClavierWayland(pourquoiWayland)) {
            return clavier;
        }
    }
#endif
#ifdef KOVRA_CLAVIER_X11
    try {
        return std::make_unique<ClavierX11>();
    } catch (const ClavierX11::ErreurAffichage& e) {
        if (!pourquoiWayland.isEmpty()) {
            throw ErreurKovra(QStringLiteral("Kovra ne peut pas taper dans cette session Wayland : "
                                             "%1.")
                                  .arg(pourquoiWayland));
        }
        throw ErreurKovra(e.Message() + QStringLiteral(" : la frappe demande une session X11."));
    }
#else
    throw ErreurKovra(QStringLiteral("Cette version de Kovra ne sait pas taper au clavier sur ce "
                                     "système."));
#endif
}

QString LimiteClavier(const ClavierVirtuel& clavier) {
    if (!SessionWayland() || clavier.Nom() != "XTest (X11)") {
        return {};
    }
    return QStringLiteral("Cette session Wayland n'offre à Kovra aucun moyen de taper dans ses "
                          "fenêtres : seules les applications X11 (XWayland) recevront la frappe, "
                          "les autres rien. Pour taper partout, ouvrez une session X11.");
}

} // namespace kovra
