#pragma once

#include "link/EtatLiaison.h"
#include "link/FichierPortSerie.h"
#include "link/MSComm.h"
#include "storage/Environnement.h"

#include <QString>

namespace kovra {

// What opening the port from PortSerie.ini came to.
enum class ResultatOuverture {
    Inactif,     // PortActif is 0: the port stays closed
    AConfigurer, // no port chosen: the user was asked to configure it
    Ouvert,
    DejaOuvert, // the user was told; the port is left as it was
    Impossible, // the port could not be opened (no such device, refused): another may be chosen
};

// The settings text "9600,N,8,1" of the file's values (stop bits "1.5" give 1).
QString TexteReglages(const QString& vitesse, const QString& parite, const QString& bits,
                      const QString& arret);

// Reads PortSerie.ini of the data folder, applies it to the port and opens it; the
// terminal type (key "Protocol") goes to `liaison`. With `memeInactif` the port opens even
// when PortActif is 0 (the user asked for it). A value that is not a number where one is
// needed throws ErreurKovra; a port that cannot be opened throws MSComm::ErreurPort (number
// 8002), for the caller to offer another port.
ResultatOuverture OuvrePort(MSComm& port, EtatLiaison& liaison, const Environnement& env,
                            bool memeInactif = false);

} // namespace kovra
