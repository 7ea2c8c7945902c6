#include "TraiteEmul.h"

#include "Compteur.h"
#include "EnvoiTouches.h"
#include "FichierSortie.h"
#include "TraiteDonnees.h"
#include "VidageDonnees.h"

#include <QDate>
#include <QFile>

namespace kovra {

namespace {

const QString kTimer = QStringLiteral("{TIMER}");
const QString kNumLock = QStringLiteral("{NUMLOCK}");
const QString kCapsLock = QStringLiteral("{CAPSLOCK}");

// Lets the target window become active again once processing is over.
constexpr int kAvantFrappe = 100;
// Typing idle this long: the keyboard may undo what it changed for typing.
constexpr int kAvantRestauration = 2000;

} // namespace

int CompteOccurrences(const QString& texte, const QString& separateur) {
    if (separateur.isEmpty()) {
        return 0;
    }
    int n = 0;
    for (qsizetype i = texte.indexOf(separateur); i >= 0; i = texte.indexOf(separateur, i + 1)) {
        ++n;
    }
    return n;
}

QString TraiteMarquesVerrous(QString segment, ClavierVirtuel& clavier) {
    for (int n = CompteOccurrences(segment, kNumLock); n > 0; --n) {
        if (const qsizetype i = segment.indexOf(kNumLock); i >= 0) {
            segment.remove(i, kNumLock.size());
        }
        InverseVerrNum(clavier);
    }
    for (int n = CompteOccurrences(segment, kCapsLock); n > 0; --n) {
        if (const qsizetype i = segment.indexOf(kCapsLock); i >= 0) {
            segment.remove(i, kCapsLock.size());
        }
        EteintVerrMaj(clavier);
    }
    return segment;
}

void TraiteEmul::Traite(const QString& trameRecue, const QString& conserve) {
    enAttente_.push_back({trameRecue, conserve});
    if (!occupe_) {
        Suivante();
    }
}

void TraiteEmul::Suivante() {
    if (enAttente_.empty()) {
        occupe_ = false;
        return;
    }
    occupe_ = true;
    QString trame = enAttente_.front().texte;
    conserveEnCours_ = enAttente_.front().conserve;
    enAttente_.pop_front();

    VidageDonnees(trame, s_.etat, s_.progression);
    const ContexteTraitement ctx{
        LitPositionsScenario(s_.env.DossierDonnees, s_.scenario.ScenarioActif),
        s_.SepDecimal,
        s_.touches,
        [this] { return CompteurSuivant(s_.env.DossierDonnees, s_.env.dialogues); },
        QDate::currentDate(),
        s_.progression};
    const QString sortie = TraiteDonnees(trame, s_.etat, s_.scenario, ctx);
    // Delivered as the scenario said when the frame was processed, even if another one is
    // chosen meanwhile.
    Livraison livraison{sortie, s_.scenario.SortieFichier, s_.scenario.FichierNumerote,
                        s_.scenario.SortieFichier
                            ? CheminFichierScenario(s_.scenario, s_.env.DossierDonnees)
                            : QString()};
    s_.minuterie.Apres(kAvantFrappe, [this, livraison] { Livre(livraison); });
}

void TraiteEmul::Livre(const Livraison& l) {
    if (l.fichier) {
        Fin(EcritFichierVers(l.sortie, l.chemin, l.numerote, s_.env.dialogues));
        return;
    }
    const bool avecPauses = l.sortie.contains(kTimer);
    TapeSegment(l.sortie.split(kTimer), 0, avecPauses);
}

void TraiteEmul::TapeSegment(QStringList segments, int i, bool avecPauses) {
    if (i >= segments.size()) {
        const quint64 frappe = ++frappes_;
        s_.minuterie.Apres(kAvantRestauration, [this, frappe] {
            if (frappe == frappes_ && !occupe_) {
                s_.clavier.Restaure();
            }
        });
        Fin(true);
        return;
    }
    const QString segment = TraiteMarquesVerrous(segments[i], s_.clavier);
    EnvoiTouches(segment.toStdU32String(), 0, s_.clavier);
    if (!avecPauses) {
        TapeSegment(std::move(segments), i + 1, false);
        return;
    }
    s_.minuterie.Apres(s_.etat.PauseTimer, [this, segments = std::move(segments), i] {
        TapeSegment(segments, i + 1, true);
    });
}

void TraiteEmul::Fin(bool livre) {
    if (!conserveEnCours_.isEmpty()) {
        if (livre) {
            QFile::remove(conserveEnCours_);
        } else {
            s_.env.dialogues.Message(QStringLiteral("Les données reçues n'ont pas pu être "
                                                    "livrées ; elles sont conservées dans le "
                                                    "fichier %1.")
                                         .arg(conserveEnCours_),
                                     Icone::Exclamation);
        }
        conserveEnCours_.clear();
    }
    if (s_.port != nullptr) {
        s_.port->ReinitialisePort();
    }
    if (termine) {
        termine(livre);
    }
    Suivante();
}

} // namespace kovra
