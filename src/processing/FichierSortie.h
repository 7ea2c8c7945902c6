#pragma once

#include "storage/Environnement.h"
#include "storage/ScenarioActif.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace kovra {

// True when the folder (ending with a separator) holds a file of exactly that name.
[[nodiscard]] bool FichierExiste(const QString& dossier, const QString& nom);

// Creates every missing level of a folder path; false when one cannot be made.
[[nodiscard]] bool CreeDossiers(const QString& chemin);

// Writes a file scenario's output, unchanged and in Windows-1252, to the file named by
// [Fichier] Chemin of the active scenario (a relative path counts from the data folder),
// creating its folders, and tells the user "Fichier <path> : généré". When it cannot be
// written, the user is told so and no partial file is left. Returns whether the output
// was delivered whole (see EcritFichierVers).
[[nodiscard]] bool EcritFichier(const QString& texte, const EtatScenario& scenario,
                                const Environnement& env);

// The output file of a file scenario, from its compiled file; empty when none is set.
QString CheminFichierScenario(const EtatScenario& scenario, const QString& dossierDonnees);

// Writes to that path (see EcritFichier). Numbered output goes to a new file that takes
// the first free name and never replaces one (see EcritNumerote); otherwise a regular file
// is put at the path in one step (written beside it, then renamed over it), keeping the
// mode of the file it replaces. A symbolic link at the path is replaced itself, never
// written through: its target is left as it is. A device or a pipe is written as it is. A new file
// gets the mode any new file gets (the umask decides), since other programs and accounts read it.
// Characters Windows-1252 lacks are written "?" and named in a notice; the output is then not whole
// and the result is false, so that what was received is kept.
[[nodiscard]] bool EcritFichierVers(const QString& texte, const QString& chemin, bool numerote,
                                    Dialogues& dialogues);

// Sortie.txt, then Sortie1.txt, Sortie2.txt... (a name without "." is numbered at its end).
QString NomNumero(const QString& nom, qint64 n);

// Writes the bytes to a new file of the folder (ending with a separator) under the first
// free numbered name of `nom`, and returns its path, or nothing when it cannot be written.
// The file appears whole under its name, and a name taken meanwhile by another program is
// never written over: the next number is used. `avantPrise`, when given, is called with
// each path just before it is tried (tests make another program's file appear there).
QString EcritNumerote(const QString& dossier, const QString& nom, const QByteArray& octets,
                      const std::function<void(const QString&)>& avantPrise = {});

} // namespace kovra
