#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace kovra {

// What trying to take the lock came to.
struct PriseVerrou {
    enum class Issue {
        Prise,         // this program holds the folder
        AutreInstance, // another running Kovra does
        Impossible,    // the lock file cannot be made: the folder cannot be written
    };
    Issue issue = Issue::Prise;
    // What to tell the user when the lock was not taken: kDejaActive, or which folder
    // cannot be written and the system's reason.
    QString message;
    bool Prise() const { return issue == Issue::Prise; }
};

// One running Kovra per user and data folder: the port and the files of a data folder
// belong to one program at a time (the tray program or kovra-cli listen). The lock is a file
// of the data folder holding the owner's process number; the lock of a program that died
// without releasing it is taken over.
class VerrouInstance {
public:
    explicit VerrouInstance(const QString& dossierDonnees);
    PriseVerrou Prend();

private:
    QString dossier_;
    std::unique_ptr<QLockFile> verrou_;
};

// The message a second start shows.
inline const QString kDejaActive = QStringLiteral("Application déjà active !");

} // namespace kovra
