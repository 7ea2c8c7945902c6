#include "platform/Comptes.h"

#include <QDir>
#include <QFileInfo>

namespace kovra::plateforme {

// Without users and groups in the POSIX sense: one user, who may open what exists.
IdentiteUtilisateur IdentiteCourante() {
    IdentiteUtilisateur qui;
    qui.nom =
        qEnvironmentVariable("USERNAME", qEnvironmentVariable("USER", QDir::home().dirName()));
    return qui;
}

std::optional<ProprieteFichier> Propriete(const QString& chemin) {
    if (!QFileInfo::exists(chemin)) {
        return std::nullopt;
    }
    return ProprieteFichier{0, 0, 0666, {}, {}};
}

} // namespace kovra::plateforme
