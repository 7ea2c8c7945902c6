#include "platform/Comptes.h"

#include <QFile>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kovra::plateforme {

namespace {

QString NomGroupe(gid_t gid) {
    const group* g = getgrgid(gid);
    return g != nullptr ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

QString NomUtilisateur(uid_t uid) {
    const passwd* p = getpwuid(uid);
    return p != nullptr ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

} // namespace

IdentiteUtilisateur IdentiteCourante() {
    IdentiteUtilisateur qui;
    qui.uid = getuid();
    qui.nom = NomUtilisateur(qui.uid);
    qui.groupes << getegid();
    const int n = getgroups(0, nullptr);
    std::vector<gid_t> groupes(static_cast<std::size_t>(n > 0 ? n : 0));
    if (n > 0 && getgroups(n, groupes.data()) == n) {
        for (const gid_t g : groupes) {
            if (!qui.groupes.contains(g)) {
                qui.groupes << g;
            }
        }
    }
    if (const passwd* p = getpwuid(qui.uid); p != nullptr) {
        int nombre = 64;
        std::vector<gid_t> compte(static_cast<std::size_t>(nombre));
        if (getgrouplist(p->pw_name, p->pw_gid, compte.data(), &nombre) < 0 && nombre > 0) {
            compte.resize(static_cast<std::size_t>(nombre));
            getgrouplist(p->pw_name, p->pw_gid, compte.data(), &nombre);
        }
        for (int i = 0; i < nombre && i < static_cast<int>(compte.size()); ++i) {
            qui.groupesCompte << compte[static_cast<std::size_t>(i)];
        }
    }
    return qui;
}

std::optional<ProprieteFichier> Propriete(const QString& chemin) {
    struct stat s {};
    if (stat(QFile::encodeName(chemin).constData(), &s) != 0) {
        return std::nullopt;
    }
    return ProprieteFichier{s.st_uid, s.st_gid, s.st_mode & 07777u, NomUtilisateur(s.st_uid),
                            NomGroupe(s.st_gid)};
}

} // namespace kovra::plateforme
