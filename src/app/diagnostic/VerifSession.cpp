// The desktop session: the X display Kovra types into, Wayland, the keyboard layout and
// the notification area that holds Kovra's icon.
#include "app/diagnostic/Verifications.h"

#include <QFileInfo>

namespace kovra {

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// The session bus: the address the session gives, else the usual socket of the login.
QString AdresseBus(const QProcessEnvironment& env) {
    const QString adresse = env.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!adresse.isEmpty()) {
        return adresse;
    }
    const QString runtime = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
    const QString socket = runtime + QStringLiteral("/bus");
    return !runtime.isEmpty() && QFileInfo::exists(socket) ? QStringLiteral("unix:path=") + socket
                                                           : QString();
}

QString Disposition(const QStringList& c) {
    // rules, model, layout, variant, options
    const auto part = [&](int i) {
        return i < c.size() ? c[i] : QString();
    };
    QString texte = part(2).isEmpty() ? QStringLiteral("(none)") : part(2);
    if (!part(3).isEmpty()) {
        texte += QStringLiteral(", variant ") + part(3);
    }
    if (!part(1).isEmpty()) {
        texte += QStringLiteral(", model ") + part(1);
    }
    if (!part(4).isEmpty()) {
        texte += QStringLiteral(", options ") + part(4);
    }
    return texte;
}

} // namespace

namespace {

const QString kXTest = QStringLiteral("XTest (X11)");

// How Kovra types in a Wayland session: what the desktop offers, and what it can type.
void VerifieFrappeWayland(const DescriptionPoste& poste, GenreScenario genre, Bilan& bilan) {
    const QString sujet = QStringLiteral("typing");
    const EtatClavier clavier = poste.sondes.Clavier();
    if (clavier.erreur.isEmpty() && clavier.nom != kXTest) {
        bilan.Ok(sujet, clavier.nom + QStringLiteral(": ") +
                            (clavier.disposition.isEmpty()
                                 ? QStringLiteral("any character")
                                 : QStringLiteral("the characters of layout %1 (a frame with "
                                                  "another character is kept, not typed)")
                                       .arg(clavier.disposition)));
        return;
    }
    const QString probleme =
        QStringLiteral("this Wayland desktop offers none of the interfaces Kovra types with "
                       "(zwp_virtual_keyboard_v1 on wlroots desktops, org_kde_kwin_fake_input on "
                       "KDE Plasma, org.gnome.Mutter.RemoteDesktop on GNOME 43 or later)") +
        (clavier.erreur.isEmpty()
             ? QStringLiteral(": only X11 (XWayland) windows receive Kovra's keystrokes, native "
                              "Wayland ones nothing.")
             : QStringLiteral(": Kovra cannot type (%1).").arg(clavier.erreur)) +
        QStringLiteral(" Fix: on GNOME, GNOME 43 or later; on KDE Plasma, Kovra as its package "
                       "installs it (/usr/bin/kovra, allowed by its menu entry "
                       "kovra.desktop); on another desktop, one based on wlroots (sway, "
                       "Hyprland, labwc...), or an X11 session.");
    if (genre == GenreScenario::Frappe) {
        bilan.Echec(sujet, probleme);
    } else {
        bilan.Note(sujet, probleme + QStringLiteral(" Only keystroke scenarios need it."));
    }
}

} // namespace

void VerifieSession(const DescriptionPoste& poste, GenreScenario genre, Bilan& bilan) {
    const QProcessEnvironment& env = poste.environnement;
    const bool wayland = !env.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty() ||
                         env.value(QStringLiteral("XDG_SESSION_TYPE")) == u"wayland";
    const QString affichage = env.value(QStringLiteral("DISPLAY"));
    std::optional<EtatAffichage> x;
    if (!affichage.isEmpty()) {
        x = poste.sondes.Affichage(affichage);
    }

    const QString sujet = QStringLiteral("X11 display");
    QString probleme;
    if (affichage.isEmpty()) {
        probleme = QStringLiteral("DISPLAY is not set: there is no X11 session to type into.");
    } else if (!x) {
        probleme = QStringLiteral("DISPLAY=%1 cannot be opened.").arg(affichage);
    } else if (!x->xtest) {
        probleme = QStringLiteral("the X server of DISPLAY=%1 lacks the XTest extension Kovra "
                                  "types with.")
                       .arg(affichage);
    }
    if (probleme.isEmpty()) {
        bilan.Ok(sujet, QStringLiteral("DISPLAY=%1, XTest present").arg(affichage));
    } else if (wayland) {
        bilan.Note(sujet, probleme + QStringLiteral(" On a Wayland desktop, only X11 "
                                                    "(XWayland) windows need it."));
    } else if (genre == GenreScenario::Frappe) {
        bilan.Echec(sujet, probleme + QStringLiteral(" The chosen scenario types keystrokes. Fix: "
                                                     "run Kovra in the user's desktop session "
                                                     "(X11, or XWayland on a Wayland desktop)."));
    } else {
        bilan.Note(sujet, probleme + QStringLiteral(" Only keystroke scenarios need it; Kovra's "
                                                    "windows need a desktop session."));
    }

    if (wayland) {
        bilan.Ok(QStringLiteral("Wayland session"),
                 QStringLiteral("yes: Kovra types through the desktop (see typing)"));
        VerifieFrappeWayland(poste, genre, bilan);
    } else {
        bilan.Ok(QStringLiteral("Wayland session"), QStringLiteral("no"));
        if (probleme.isEmpty()) {
            bilan.Ok(QStringLiteral("typing"), kXTest + QStringLiteral(": any character"));
        }
    }

    const QString sujetClavier = QStringLiteral("keyboard layout");
    if (x && !x->clavier.isEmpty()) {
        bilan.Ok(sujetClavier, Disposition(x->clavier));
    } else {
        bilan.Note(sujetClavier, x ? QStringLiteral("the X server does not publish it")
                                   : QStringLiteral("unknown without an X display"));
    }

    const QString sujetZone = QStringLiteral("notification area");
    const QString adresse = AdresseBus(env);
    if (x && x->zoneNotification) {
        bilan.Ok(sujetZone, QStringLiteral("an X11 system tray is there"));
        return;
    }
    const std::optional<bool> watcher =
        adresse.isEmpty() ? std::nullopt : poste.sondes.NomSurBus(adresse, kWatcher);
    if (watcher.value_or(false)) {
        bilan.Ok(sujetZone, QStringLiteral("%1 is on the session bus").arg(kWatcher));
        return;
    }
    QString ou = x ? QStringLiteral("no X11 system tray") : QStringLiteral("no X display");
    ou += !watcher ? QStringLiteral(", no session bus")
                   : QStringLiteral(", no %1 on the session bus").arg(kWatcher);
    bilan.Note(sujetZone, QStringLiteral("none found (%1): Kovra shows its menu as a small "
                                         "window instead. On GNOME: install and enable the "
                                         "AppIndicator and KStatusNotifierItem Support "
                                         "extension (Debian package "
                                         "gnome-shell-extension-appindicator).")
                              .arg(ou));
}

} // namespace kovra
