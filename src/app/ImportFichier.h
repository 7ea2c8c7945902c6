#pragma once

#include "base/Minuterie.h"
#include "base/Progression.h"

#include <QString>
#include <functional>
#include <memory>

namespace kovra {

class NoyauKovra;

// How an import ended.
enum class IssueImport {
    Livre,       // processed and delivered whole
    NonLivre,    // processed, but not delivered whole (the pipeline told the user why)
    Absent,      // no such file
    Illisible,   // the file could not be read; nothing was processed
    Vide,        // no line to process
    DejaEnCours, // another import of this object is under way
};

// What is read from the file in one turn of the event loop: some thousands of lines.
inline constexpr qint64 kOctetsParTour = 64 * 1024;

// The caption of the progress window while the file is read.
inline const QString kLibelleLecture = QStringLiteral("Lecture du fichier en cours...");

// Imports a text file taken off a terminal: each line a record whose fields are separated
// by a separator, processed and delivered with the chosen scenario like a frame received
// on the port (the port itself is left alone). The file is read in blocks, one per turn of
// the event loop, with its progress reported; the frame then goes to the core's pipeline
// behind any frame already there. The bytes are Windows-1252, unless the file is UTF-8
// (a signature, or valid UTF-8 throughout: a file saved by a Linux editor). The core must
// outlive the object; a frame already handed to it is delivered even if the object goes.
class ImportFichier {
public:
    ImportFichier(NoyauKovra& noyau, Progression& progression, Minuterie& minuterie);
    ~ImportFichier();
    ImportFichier(const ImportFichier&) = delete;
    ImportFichier& operator=(const ImportFichier&) = delete;

    // Imports `fichier` with `separateur` between the fields of a line; `fin` learns how it
    // ended (possibly before this returns). Every failure is told to the user.
    void getFile(const QString& fichier, const QString& separateur,
                 std::function<void(IssueImport)> fin = {});
    // Whether a file is being read or its frame waits to be delivered.
    bool EnCours() const { return enCours_; }

private:
    struct Lecture;
    enum class Suite { Continue, Recommence, Arret };
    void Tour();
    Suite AjouteBloc(const QByteArray& octets);
    void Echec(const QString& raison);
    void Termine(IssueImport issue);

    NoyauKovra& noyau_;
    Progression& progression_;
    MinuterieLiee minuterie_;
    std::unique_ptr<Lecture> lecture_;
    std::function<void(IssueImport)> fin_;
    std::shared_ptr<char> vivant_ = std::make_shared<char>();
    bool enCours_ = false;
};

} // namespace kovra
