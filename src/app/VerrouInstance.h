#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace kovra {

// One running Kovra per user and data folder: the port and the files of a data folder
// belong to one program at a time (the tray program or kovra-cli listen). The lock is a file
// of the data folder holding the owner's process number; the lock of a program that died
// without releasing it is taken over.
class VerrouInstance {
public:
    explicit VerrouInstance(const QString& dossierDonnees);
    // False when another program holds the folder.
    bool Prend();

private:
    std::unique_ptr<QLockFile> verrou_;
};

// The message a second start shows.
inline const QString kDejaActive = QStringLiteral("Application déjà active !");

} // namespace kovra
