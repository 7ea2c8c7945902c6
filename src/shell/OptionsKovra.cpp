#include "shell/OptionsKovra.h"

#include "base/Version.h"

namespace kovra {

OptionsKovra LitOptions(const QStringList& arguments) {
    OptionsKovra o;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == u"--help" || a == u"-h") {
            o.demande = OptionsKovra::Demande::Aide;
            return o;
        }
        if (a == u"--version") {
            o.demande = OptionsKovra::Demande::Version;
            return o;
        }
        if (a == u"--no-splash") {
            o.sansSplash = true;
        } else if (a == u"--dir" && i + 1 < arguments.size()) {
            o.dossier = arguments[++i];
        } else if (a.startsWith(QStringLiteral("--dir=")) && a.size() > 6) {
            o.dossier = a.mid(6);
        } else {
            o.demande = OptionsKovra::Demande::Erreur;
            o.erreur = a.startsWith(QStringLiteral("--dir"))
                           ? QStringLiteral("--dir needs a folder")
                           : QStringLiteral("unknown argument %1").arg(a);
            return o;
        }
    }
    return o;
}

QString AbsenceAffichage(const QString& display, const QString& wayland,
                         const QString& plateforme) {
    if (!display.isEmpty() || !wayland.isEmpty() || !plateforme.isEmpty()) {
        return {};
    }
    return QStringLiteral(
        "no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
        "Kovra is a tray program: start it from a desktop session. Without one,\n"
        "'kovra-cli listen' receives the terminal's transfers and delivers them.");
}

QString AideKovra() {
    return QStringLiteral(
        "Usage: kovra [--dir DATA] [--no-splash]\n\n"
        "Kovra links hand-held barcode terminals to the other software of this PC: it sits in\n"
        "the notification area, receives what a terminal sends on the serial port and types it\n"
        "into the focused application, or writes it to a file, as the chosen scenario says.\n\n"
        "  --dir DATA    the data folder (default: $KOVRA_DIR, else ~/.local/share/kovra);\n"
        "                created and filled with the defaults when missing\n"
        "  --no-splash   start without the start-up window\n"
        "  --version     print the version and exit\n"
        "  --help        print this help and exit\n\n"
        "One Kovra runs per user and data folder. Scripting and diagnostics: kovra-cli --help.\n");
}

QString VersionKovra() {
    return QStringLiteral("kovra %1\n").arg(QString::fromLatin1(kVersionTexte));
}

} // namespace kovra
