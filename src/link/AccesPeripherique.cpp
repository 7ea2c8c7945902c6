#include "link/AccesPeripherique.h"

#include <QFile>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kovra {

namespace {

QString NomGroupe(gid_t gid) {
    const group* g = getgrgid(gid);
    return g != nullptr ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

QString NomUtilisateur(uid_t uid) {
    const passwd* p = getpwuid(uid);
    return p != nullptr ? QString::fromLocal8Bit(p->pw_name) : QString::number(uid);
}

constexpr mode_t kLectureEcriture = 06; // read and write bits of one class

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

AccesPeripherique EvalueAcces(const QString& chemin, const IdentiteUtilisateur& qui) {
    AccesPeripherique a;
    struct stat s {};
    if (stat(QFile::encodeName(chemin).constData(), &s) != 0) {
        return a;
    }
    a.present = true;
    a.groupe = NomGroupe(s.st_gid);
    a.proprietaire = NomUtilisateur(s.st_uid);
    a.groupeDonneAcces = ((s.st_mode >> 3) & kLectureEcriture) == kLectureEcriture;
    mode_t bits = s.st_mode & kLectureEcriture; // others
    if (s.st_uid == qui.uid) {
        bits = (s.st_mode >> 6) & kLectureEcriture;
    } else if (qui.groupes.contains(s.st_gid)) {
        bits = (s.st_mode >> 3) & kLectureEcriture;
    }
    a.permis = qui.uid == 0 || bits == kLectureEcriture;
    a.dejaDansLeGroupe = !qui.groupes.contains(s.st_gid) && qui.groupesCompte.contains(s.st_gid);
    return a;
}

QString RefusAccesFr(const QString& chemin, const AccesPeripherique& acces,
                     const IdentiteUtilisateur& qui) {
    QString texte = QStringLiteral("Le port %1 ne peut pas être ouvert par l'utilisateur %2 : "
                                   "permission refusée.\r\n")
                        .arg(chemin, qui.nom);
    if (!acces.groupeDonneAcces) {
        return texte + QStringLiteral("Seul son propriétaire (%1) y a accès : un administrateur "
                                      "doit donner au groupe %2 la lecture et l'écriture (une "
                                      "règle udev avec GROUP=\"%2\" et MODE=\"0660\").")
                           .arg(acces.proprietaire, acces.groupe);
    }
    if (acces.dejaDansLeGroupe) {
        return texte + QStringLiteral("L'utilisateur %1 fait déjà partie du groupe %2, mais "
                                      "depuis l'ouverture de cette session : fermer la session "
                                      "et la rouvrir.")
                           .arg(qui.nom, acces.groupe);
    }
    return texte + QStringLiteral("Pour l'autoriser : sudo usermod -aG %1 %2 puis fermer la "
                                  "session et la rouvrir.")
                       .arg(acces.groupe, qui.nom);
}

QString RefusAccesEn(const QString& chemin, const AccesPeripherique& acces,
                     const IdentiteUtilisateur& qui) {
    QString texte =
        QStringLiteral("%1 cannot be opened by user %2 (permission denied). ").arg(chemin, qui.nom);
    if (!acces.groupeDonneAcces) {
        return texte + QStringLiteral("Only its owner (%1) may use it. Fix: an administrator "
                                      "gives group %2 read and write access (a udev rule with "
                                      "GROUP=\"%2\", MODE=\"0660\").")
                           .arg(acces.proprietaire, acces.groupe);
    }
    if (acces.dejaDansLeGroupe) {
        return texte + QStringLiteral("User %1 was added to group %2 after this session "
                                      "started. Fix: log out and in again.")
                           .arg(qui.nom, acces.groupe);
    }
    return texte + QStringLiteral("Fix: sudo usermod -aG %1 %2, then log out and in again.")
                       .arg(acces.groupe, qui.nom);
}

} // namespace kovra
