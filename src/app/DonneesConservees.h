#pragma once

#include "storage/Environnement.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

namespace kovra {

// The folder of the data folder where received data kept undelivered is put away.
inline const QString kDossierConservees = QStringLiteral("conservees");

// At start-up, the received data that earlier runs could not deliver, left in the data
// folder: transfers set aside (ht630-…), spool files of transfers and of acquisitions that
// did not end (the program may have stopped in the middle), frames that could not be
// delivered (nonlivree-…). An empty one holds nothing and is removed. The others are
// moved into the folder kDossierConservees and named in one notice, which says that they
// may be incomplete and how to deliver them; once put away they are not announced again.
// Returns where they are now.
QStringList RangeDonneesConservees(const Environnement& env);

// The frames not delivered still at the top of the data folder (a running Kovra, or a
// refused `process --deliver`, leaves them there until the next start puts them away).
inline QStringList TramesNonLivrees(const QString& dossierDonnees) {
    QStringList trames;
    for (const QFileInfo& f :
         QDir(dossierDonnees)
             .entryInfoList({QStringLiteral("nonlivree-*.tmp")}, QDir::Files, QDir::Name)) {
        if (f.size() > 0) {
            trames << f.filePath();
        }
    }
    return trames;
}

} // namespace kovra
