#pragma once

#include <QString>
#include <QStringList>

namespace kovra {

// Files of the data folder.
inline const QString kPortSerie = QStringLiteral("PortSerie.ini");
inline const QString kTouche = QStringLiteral("Touche.ini");
inline const QString kCorres = QStringLiteral("Corres.ini");
inline const QString kTouFic = QStringLiteral("TouFic.ini");
inline const QString kScenDb = QStringLiteral("Scen.db");
inline const QString kDossierScenarios = QStringLiteral("Scenarios");

// The data folder to use: the one given on the command line, else $KOVRA_DIR, else
// kovra/ in the user's data folder ($XDG_DATA_HOME, else ~/.local/share).
QString ResoutDossierDonnees(const QString& option);

// Where the default files installed with the program are: share/kovra beside the
// folder of the executable (bin/), in an installed copy as in the build tree.
QString DossierDefautsInstalles();

// Creates the data folder when missing and adds whatever it lacks: the default settings
// files copied from `defauts`, the Scenarios folder, and a new Scen.db. Files already
// there are never touched. Returns the names of what was added; throws ErreurKovra
// when the folder cannot be made complete. Programs call it as they start: it is the only
// place a missing Scen.db is created.
QStringList PrepareDossierDonnees(const QString& dossier, const QString& defauts);
// What to tell the user when PrepareDossierDonnees had to make a new Scen.db in a folder that
// already held its settings: the scenarios and the counter were lost with the old one, which
// must not go unnoticed. Empty otherwise (a new folder, or nothing made).
QString AvisBaseRecreee(const QString& dossier, const QStringList& ajoutes);

QString CheminDonnee(const QString& dossier, const QString& nom);

} // namespace kovra
