#include "processing/TraiteEmul.h"

#include "base/ErreurKovra.h"
#include "base/Windows1252.h"
#include "dialogues/Dialogues.h"
#include "keyboard/EnvoiTouches.h"
#include "keyboard/PlanFrappe.h"
#include "platform/Fichiers.h"
#include "processing/Compteur.h"
#include "processing/FichierSortie.h"
#include "processing/TraiteDonnees.h"
#include "storage/DossierDonnees.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace kovra {

namespace {

const QString kTimer = QStringLiteral("{TIMER}");
const QString kNumLock = QStringLiteral("{NUMLOCK}");
const QString kCapsLock = QStringLiteral("{CAPSLOCK}");

// How a key the keyboard could not type is named to the user.
QString NomTouche(const Touche& t) {
    if (t.genre == Touche::Genre::Caractere) {
        return QString::fromUcs4(&t.caractere, 1);
    }
    return u'{' + QString::fromStdString(t.nom) + u'}';
}

} // namespace

bool SignaleNonTapees(const BilanFrappe& bilan, Dialogues& dialogues) {
    if (bilan.nonTapees.empty()) {
        return true;
    }
    QStringList noms;
    for (const Touche& t : bilan.nonTapees) {
        noms << NomTouche(t);
    }
    dialogues.Avis(QStringLiteral("Le clavier ne permet pas de taper : %1. Le texte n'a pas été "
                                  "entièrement tapé.")
                       .arg(noms.join(QStringLiteral(", "))),
                   Icone::Exclamation);
    return false;
}

bool VerifieTapables(const std::vector<PlanFrappe>& plans, const ClavierVirtuel& clavier,
                     Dialogues& dialogues) {
    QStringList noms;
    for (const PlanFrappe& plan : plans) {
        for (const Touche& t : IntapablesDuPlan(plan, clavier)) {
            if (!noms.contains(NomTouche(t))) {
                noms << NomTouche(t);
            }
        }
    }
    if (noms.isEmpty()) {
        return true;
    }
    const QString disposition = QString::fromStdString(clavier.Disposition());
    const QString qui = disposition.isEmpty()
                            ? QStringLiteral("Le clavier")
                            : QStringLiteral("La disposition du clavier « %1 »").arg(disposition);
    dialogues.Avis(QStringLiteral("%1 ne permet pas de taper : %2. Rien n'a été tapé.")
                       .arg(qui, noms.join(QStringLiteral(", "))),
                   Icone::Exclamation);
    return false;
}

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

QString TraiteMarquesVerrous(QString segment, ClavierVirtuel& clavier, BilanFrappe& nonTapees) {
    for (int n = CompteOccurrences(segment, kNumLock); n > 0; --n) {
        if (const qsizetype i = segment.indexOf(kNumLock); i >= 0) {
            segment.remove(i, kNumLock.size());
        }
        if (!InverseVerrNum(clavier)) {
            NoteNonTapee(nonTapees, Touche::Nommee("NUMLOCK"));
        }
    }
    for (int n = CompteOccurrences(segment, kCapsLock); n > 0; --n) {
        if (const qsizetype i = segment.indexOf(kCapsLock); i >= 0) {
            segment.remove(i, kCapsLock.size());
        }
        if (!EteintVerrMaj(clavier)) {
            NoteNonTapee(nonTapees, Touche::Nommee("CAPSLOCK"));
        }
    }
    clavier.Envoie();
    return segment;
}

TraiteEmul::TraiteEmul(ServicesTraitement services)
    : s_(std::move(services)), minuterie_(s_.minuterie),
      // Asked without waiting: another program's lock never holds the event loop.
      compteur_(std::make_unique<CompteurRun>(s_.env.DossierDonnees, 0)) {}

TraiteEmul::~TraiteEmul() = default;

std::optional<std::chrono::steady_clock::time_point> TraiteEmul::DerniereTouche() const {
    return lecteur_ ? lecteur_->DerniereTouche() : std::nullopt;
}

void TraiteEmul::Traite(DemandeTraitement demande) {
    enAttente_.push_back(std::move(demande));
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
    enCours_ = std::move(enAttente_.front());
    enAttente_.pop_front();

    // Without a scenario, or without its compiled file, the output would be empty or wrong
    // in ways that tell nothing of the cause, and the frame's data would be lost unseen.
    const EtatScenario& scenario = ScenarioEnCours();
    if (scenario.ScenarioActif.isEmpty()) {
        Refuse(QStringLiteral("Aucun scénario n'est choisi : la trame n'a pas été traitée. "
                              "Choisissez un scénario dans le paramétrage."),
               Icone::Exclamation);
        return;
    }
    const QString compile = CheminScenario(s_.env.DossierDonnees, scenario.ScenarioActif);
    if (!QFileInfo(compile).isFile()) {
        Refuse(QStringLiteral("Le scénario compilé %1 est introuvable : la trame n'a pas été "
                              "traitée. Choisissez de nouveau le scénario « %2 » dans le "
                              "paramétrage pour le compiler.")
                   .arg(compile, scenario.ScenarioActif),
               Icone::Exclamation);
        return;
    }
    if (scenario.NombreActions() == 0) {
        Refuse(QStringLiteral("Le scénario « %1 » n'a aucune action (fichier %2) : la trame n'a "
                              "pas été traitée.")
                   .arg(scenario.ScenarioActif, compile),
               Icone::Exclamation);
        return;
    }
    PrendCompteurPuisTraite(0);
}

const EtatScenario& TraiteEmul::ScenarioEnCours() const {
    return enCours_.scenario ? *enCours_.scenario : s_.scenario;
}

void TraiteEmul::Refuse(const QString& raison, Icone icone) {
    s_.env.dialogues.Avis(raison, icone);
    // On a turn of its own, so that a queue of refused frames never nests.
    minuterie_.Apres(0, [this] { Fin(false); });
}

void TraiteEmul::PrendCompteurPuisTraite(int attendu) {
    const PriseCompteur prise = compteur_->Prend();
    if (prise.valeur) {
        TraiteEnCours(*prise.valeur);
        return;
    }
    if (prise.occupee && attendu < kAttenteCompteur) {
        minuterie_.Apres(kReessaiCompteur,
                         [this, attendu] { PrendCompteurPuisTraite(attendu + kReessaiCompteur); });
        return;
    }
    const QString raison =
        prise.occupee
            ? QStringLiteral("La base de scénarios %1 est verrouillée par un autre programme "
                             "depuis %2 secondes : le compteur n'a pas pu être lu, la trame n'a "
                             "pas été traitée.")
                  .arg(CheminDonnee(s_.env.DossierDonnees, kScenDb))
                  .arg(kAttenteCompteur / 1000)
            : prise.erreur;
    Refuse(raison, Icone::Aucune);
}

void TraiteEmul::TraiteEnCours(const QString& compteur) {
    const EtatScenario& scenario = ScenarioEnCours();
    const ContexteTraitement ctx =
        ContexteScenario(s_.env.DossierDonnees, scenario.ScenarioActif, s_.miroirs, s_.touches,
                         compteur, s_.progression);
    const QString sortie = TraiteTrame(enCours_.trame, s_.etat, scenario, ctx);
    s_.progression.Termine();
    // Delivered as the scenario said when the frame was processed, even if another one is
    // chosen meanwhile.
    Livraison livraison{
        sortie, scenario.SortieFichier, scenario.FichierNumerote,
        scenario.SortieFichier ? CheminFichierScenario(scenario, s_.env.DossierDonnees) : QString(),
        s_.miroirs.DelaiTouches};
    minuterie_.Apres(enCours_.delaiAvant, [this, livraison] { Livre(livraison); });
}

void TraiteEmul::Livre(const Livraison& l) {
    if (l.fichier) {
        Fin(EcritFichierVers(l.sortie, l.chemin, l.numerote, s_.env.dialogues));
        return;
    }
    // A key string that would stop before its end is refused whole: typing its beginning
    // would leave half a record in the target.
    const QStringList segments = l.sortie.split(kTimer);
    std::vector<std::u32string> textes;
    for (const QString& segment : segments) {
        QString sansMarques = segment;
        sansMarques.remove(kNumLock).remove(kCapsLock);
        textes.push_back(sansMarques.toStdU32String());
        if (const std::string arret = ArretTouches(textes.back()); !arret.empty()) {
            s_.env.dialogues.Avis(QString::fromStdString(arret), Icone::Exclamation);
            Fin(false);
            return;
        }
    }
    if (lecteur_ == nullptr) {
        try {
            clavierLecteur_ = &s_.clavier();
        } catch (const ErreurKovra& e) {
            s_.env.dialogues.Avis(e.Message(), Icone::Exclamation);
            Fin(false);
            return;
        }
        lecteur_ =
            std::make_unique<LecteurFrappe>(*clavierLecteur_, s_.minuterie, s_.clavierRetenu);
    }
    // A frame the keyboard cannot type whole (a character the layout lacks) is not begun:
    // half a record typed would be worse than none.
    std::vector<PlanFrappe> plans;
    for (const std::u32string& texte : textes) {
        plans.push_back(PlanifieTouches(texte, 0, *clavierLecteur_));
    }
    if (!VerifieTapables(plans, *clavierLecteur_, s_.env.dialogues)) {
        Fin(false);
        return;
    }
    bilan_ = {};
    delaiTouches_ = l.delaiTouches;
    enFrappe_ = true;
    const bool avecPauses = l.sortie.contains(kTimer);
    TapeSegment(segments, 0, avecPauses);
}

void TraiteEmul::TapeSegment(QStringList segments, int i, bool avecPauses) {
    if (i >= segments.size()) {
        enFrappe_ = false;
        Fin(SignaleNonTapees(bilan_, s_.env.dialogues));
        return;
    }
    const QString segment = TraiteMarquesVerrous(segments[i], *clavierLecteur_, bilan_);
    PlanFrappe plan = PlanifieTouches(segment.toStdU32String(), 0, *clavierLecteur_);
    EspaceTouches(plan, delaiTouches_);
    const bool joue = lecteur_->Joue(std::move(plan), [this, segments = std::move(segments), i,
                                                       avecPauses](BilanFrappe bilan) mutable {
        for (const Touche& t : bilan.nonTapees) {
            NoteNonTapee(bilan_, t);
        }
        if (!avecPauses) {
            TapeSegment(std::move(segments), i + 1, false);
            return;
        }
        // Between two segments, the keys stay at least the pause between keystrokes apart.
        const int pause = i + 1 < segments.size() ? std::max<int>(s_.etat.PauseTimer, delaiTouches_)
                                                  : s_.etat.PauseTimer;
        minuterie_.Apres(pause, [this, segments = std::move(segments), i] {
            TapeSegment(segments, i + 1, true);
        });
    });
    if (!joue) {
        // One frame at a time reaches the player: a refusal would be a fault of this class,
        // and the frame is then kept as not delivered rather than waited for.
        enFrappe_ = false;
        Fin(false);
    }
}

namespace {

// How many names a kept frame may try.
constexpr qint64 kNomsConserves = 1000;

// Where a frame that was not delivered and had no file of its own is kept: a new file of
// the data folder, under a name nothing has (NAME.tmp, NAME_1.tmp...); empty when it cannot
// be written, `erreur` then saying why (no file is left behind, and none other is touched).
QString ConserveTrame(const QString& trame, const QString& dossierDonnees, QString& erreur) {
    const QString nom = QStringLiteral("nonlivree-") + QDateTime::currentDateTime().toString(
                                                           QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    const QString chemin = plateforme::EcritSousNomLibre(
        dossierDonnees + u'/', EncodeWindows1252(trame),
        [&nom](qint64 n) {
            return n == 0 ? nom + QStringLiteral(".tmp")
                          : nom + u'_' + QString::number(n) + QStringLiteral(".tmp");
        },
        kNomsConserves);
    if (chemin.isEmpty()) {
        erreur = plateforme::RaisonDossierNonInscriptible(dossierDonnees);
        if (erreur.isEmpty()) {
            erreur = QStringLiteral("aucun nom libre");
        }
    }
    return chemin;
}

} // namespace

void TraiteEmul::Fin(bool livre) {
    if (!livre && enCours_.conserveNonLivree && enCours_.conserve.isEmpty() &&
        !enCours_.trame.isEmpty()) {
        QString erreur;
        enCours_.conserve = ConserveTrame(enCours_.trame, s_.env.DossierDonnees, erreur);
        if (enCours_.conserve.isEmpty()) {
            s_.env.dialogues.Avis(QStringLiteral("Les données reçues n'ont pas été livrées "
                                                 "entièrement, et n'ont pas pu être conservées "
                                                 "dans le dossier %1 (%2).")
                                      .arg(s_.env.DossierDonnees, erreur),
                                  Icone::Exclamation);
        }
    }
    if (!enCours_.conserve.isEmpty()) {
        if (livre) {
            if (!QFile::remove(enCours_.conserve) && QFile::exists(enCours_.conserve)) {
                s_.env.dialogues.Avis(QStringLiteral("Le fichier %1 n'a pas pu être supprimé ; "
                                                     "ses données ont déjà été livrées.")
                                          .arg(enCours_.conserve),
                                      Icone::Exclamation);
            }
        } else {
            s_.env.dialogues.Avis(QStringLiteral("Les données reçues n'ont pas été livrées "
                                                 "entièrement ; elles sont conservées dans le "
                                                 "fichier %1.")
                                      .arg(enCours_.conserve),
                                  Icone::Exclamation);
        }
    }
    if (enCours_.reinitialisePort && s_.port != nullptr) {
        s_.port->ReinitialisePort();
    }
    auto fin = std::move(enCours_.fin);
    enCours_ = {};
    if (termine) {
        termine(livre);
    }
    if (fin) {
        fin(livre);
    }
    Suivante();
}

} // namespace kovra
