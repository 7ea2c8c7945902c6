#pragma once

#include "app/diagnostic/Sondes.h"
#include "link/AccesPeripherique.h"
#include "link/ReglagesPort.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace kovra {

class Registre;

// The machine the diagnosis looks at, given in full so that a test can prepare one in a
// folder: Kovra's data folder, the environment of the session, who the user is, the
// per-user settings, the desktop session's probes, where devices and their lock files are.
struct DescriptionPoste {
    QString dossierDonnees;
    QProcessEnvironment environnement;
    IdentiteUtilisateur identite;
    const Registre& registre;
    SondesSession& sondes;
    // COM n is <racinePeripheriques>/ttyS<n-1> when PortSerie.ini names no device.
    QString racinePeripheriques = QStringLiteral("/dev");
    // Where the stable names of USB serial adapters are.
    QString dossierParId = kDossierParId;
    // Where serial programs leave their LCK..<device> files.
    QStringList dossiersVerrous = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock")};
    // How long each step of reaching a network terminal's server may take.
    int delaiReseauMs = 3000;
};

} // namespace kovra
