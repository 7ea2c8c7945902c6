#pragma once

#include <QString>
#include <QStringList>

namespace kovra {

// What the command line of the kovra program asks for.
struct OptionsKovra {
    enum class Demande { Lancer, Version, Aide, Erreur };
    Demande demande = Demande::Lancer;
    QString dossier;         // --dir DATA, empty when not given
    bool sansSplash = false; // --no-splash
    QString erreur;          // what is wrong with the command line
};

// Reads `kovra [--dir DATA] [--no-splash]`, `--version`, `--help` (arguments without the
// program's name).
OptionsKovra LitOptions(const QStringList& arguments);

// Why the program cannot show its windows, from its environment: empty when a display is
// named (DISPLAY, WAYLAND_DISPLAY) or a Qt platform is chosen (QT_QPA_PLATFORM). Qt would
// otherwise abort with a message about plugins that tells a user nothing.
QString AbsenceAffichage(const QString& display, const QString& wayland, const QString& plateforme);

// The text of --help and of --version.
QString AideKovra();
QString VersionKovra();

} // namespace kovra
