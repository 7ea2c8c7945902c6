#include "link/AccesPeripherique.h"

namespace kovra {

namespace {

constexpr uint kLectureEcriture = 06; // read and write bits of one class

} // namespace

AccesPeripherique EvalueAcces(const QString& chemin, const IdentiteUtilisateur& qui) {
    AccesPeripherique a;
    const std::optional<ProprieteFichier> s = plateforme::Propriete(chemin);
    if (!s) {
        return a;
    }
    a.present = true;
    a.groupe = s->groupe;
    a.proprietaire = s->proprietaire;
    a.groupeDonneAcces = ((s->mode >> 3) & kLectureEcriture) == kLectureEcriture;
    uint bits = s->mode & kLectureEcriture; // others
    if (s->uid == qui.uid) {
        bits = (s->mode >> 6) & kLectureEcriture;
    } else if (qui.groupes.contains(s->gid)) {
        bits = (s->mode >> 3) & kLectureEcriture;
    }
    a.permis = qui.uid == 0 || bits == kLectureEcriture;
    a.dejaDansLeGroupe = !qui.groupes.contains(s->gid) && qui.groupesCompte.contains(s->gid);
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
