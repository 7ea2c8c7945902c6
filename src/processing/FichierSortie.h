#pragma once

#include "base/Environnement.h"
#include "storage/ScenarioActif.h"

#include <QString>

namespace kovra {

// True when the folder (ending with a separator) holds a file of exactly that name.
bool FichierExiste(const QString& dossier, const QString& nom);

// Creates every missing level of a folder path; false when one cannot be made.
bool CreeDossiers(const QString& chemin);

// The path an output goes to. Without numbering it is the path itself; with numbering an
// existing file is never replaced: Sortie.txt, then Sortie1.txt, Sortie2.txt... (a name
// without "." is numbered at its end: Sortie, Sortie1...).
QString CheminSortie(const QString& chemin, bool numerote);

// Writes a file scenario's output, unchanged and in Windows-1252, to the file named by
// [Fichier] Chemin of the active scenario (a relative path counts from the data folder),
// creating its folders, and tells the user "Fichier <path> : généré". When it cannot be
// written, the user is told so and no partial file is left. Returns whether it was written.
bool EcritFichier(const QString& texte, const EtatScenario& scenario, const Environnement& env);

// The output file of a file scenario, from its compiled file; empty when none is set.
QString CheminFichierScenario(const EtatScenario& scenario, const QString& dossierDonnees);

// Writes to that path (see EcritFichier). Numbered output goes to a new file that takes
// the first free name and never replaces one; otherwise the file is replaced in one step,
// and a device or a pipe is written as it is.
bool EcritFichierVers(const QString& texte, const QString& chemin, bool numerote,
                      Dialogues& dialogues);

} // namespace kovra
