#include "processing/TraiteDonnees.h"

#include "keyboard/EnvoiTouches.h"
#include "processing/GenreAction.h"
#include "processing/ReductionPartielle.h"
#include "processing/SeparateurDecimal.h"
#include "processing/VidageDonnees.h"
#include "storage/FichierProfil.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace kovra {

namespace {

std::optional<int> Entier(const QString& texte) {
    bool ok = false;
    const int n = texte.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

// An action of the list, classified once per frame.
struct ActionPreparee {
    GenreAction genre = GenreAction::Texte;
    bool avance = false; // moves through the frame
    QString texte;       // what a text, a special key or a fixed token appends
    std::optional<qint16> pause;
};

ActionPreparee Prepare(const QString& a, const TableTouches& touches) {
    ActionPreparee p;
    p.genre = GenreDAction(a);
    p.avance = AvanceDansTrame(a);
    switch (p.genre) {
    case GenreAction::Timer: {
        bool ok = false;
        const short v = a.mid(7).trimmed().toShort(&ok);
        if (ok) {
            p.pause = v;
        }
        break;
    }
    case GenreAction::Texte: {
        const QString touche = touches.Cherche(u'{' + a + u'}');
        p.texte = touche.isEmpty() ? a : touche;
        break;
    }
    case GenreAction::Tab:
        p.texte = QStringLiteral("\t");
        break;
    case GenreAction::PasseLigne:
        p.texte = QStringLiteral("\r\n");
        break;
    case GenreAction::Fermer:
        p.texte = QStringLiteral("%{q}");
        break;
    case GenreAction::OuvrirE:
        p.texte = QStringLiteral("%{c}");
        break;
    case GenreAction::OuvrirS:
        p.texte = QStringLiteral("%{r}");
        break;
    case GenreAction::Valider:
        p.texte = QStringLiteral("%{v}");
        break;
    case GenreAction::Champ:
    case GenreAction::Date:
    case GenreAction::Increment:
        break;
    }
    return p;
}

// Appends a field so that typing it types its characters: each sign of the key syntax goes
// in braces.
void AjouteLitteral(QString& sortie, QStringView champ) {
    for (const QChar c : champ) {
        if (kSignesTouches.find(c.unicode()) != std::u32string_view::npos) {
            sortie += u'{';
            sortie += c;
            sortie += u'}';
        } else {
            sortie += c;
        }
    }
}

// The actions of the scenario, prepared once for the frame. Element 0 is the list's unfilled
// element, so action i is at index i.
std::vector<ActionPreparee> PrepareActions(const EtatScenario& scenario,
                                           const TableTouches& touches) {
    const int n = scenario.NombreActions();
    std::vector<ActionPreparee> actions;
    actions.reserve(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        actions.push_back(Prepare(scenario.ListeActions[i], touches));
    }
    return actions;
}

// In partial-frame mode, replaces the frame by the chosen fields of each record and cuts it
// again.
void ReduitTrame(QString& trame, EtatTraitement& etat, const EtatScenario& scenario,
                 const ContexteTraitement& ctx) {
    // A record size beyond 16 bits is no size the editor could have written.
    const int nbr = Entier(ctx.positions.Nbr).value_or(0);
    trame = ReduitTramePartielle(trame, nbr <= std::numeric_limits<qint16>::max() ? nbr : 0,
                                 scenario.PlacesTrame);
    VidageDonnees(trame, etat, ctx.progression);
}

// The action each pass starts at.
struct DebutsDesPasses {
    int premiere = 1;
    int suivantes = 1;
};

// The start position when there is no loop position, else 1 for the first pass and the loop
// position for the later ones. A position that is not a number is ignored; one below 0 or
// beyond the last action counts as 1.
DebutsDesPasses Debuts(const PositionsScenario& positions, int nombreActions) {
    const auto dansLaListe = [nombreActions](int debut) {
        return (debut < 0 || debut > nombreActions) ? 1 : debut;
    };
    int depart = 1;
    if (!positions.Depart.isEmpty()) {
        depart = Entier(positions.Depart).value_or(depart);
    }
    if (positions.Boucle.isEmpty()) {
        return {dansLaListe(depart), dansLaListe(depart)};
    }
    return {1, dansLaListe(Entier(positions.Boucle).value_or(depart))};
}

// A frame on its way through the action list: where it is in the frame, the next field to
// take, and the output built so far.
class Parcours {
public:
    // `date` is what "&DATE" types; with `champsLitteraux` each field is typed as its
    // characters.
    Parcours(const QString& trame, EtatTraitement& etat, SuiviProgression& suivi, QString date,
             bool champsLitteraux)
        : trame_(trame), etat_(etat), suivi_(suivi), date_(std::move(date)),
          champsLitteraux_(champsLitteraux) {
        sortie_.reserve(trame_.size() * 2);
    }

    bool AuBout() const { return position_ >= trame_.size(); }

    // Runs the actions from `debut` to the last. False when the pass took no field and did
    // not move through the frame.
    bool Passe(const std::vector<ActionPreparee>& actions, int debut) {
        const qsizetype positionAvant = position_;
        const qsizetype champAvant = champ_;
        for (std::size_t i = static_cast<std::size_t>(debut); i < actions.size(); ++i) {
            Joue(actions[i]);
            SignaleAvancement();
            // Once the fields ended by a carriage return are all taken the frame is done: the
            // rest of this pass still runs, and no other follows.
            if (champ_ == etat_.NbChamps) {
                position_ = trame_.size();
            }
        }
        return position_ != positionAvant || champ_ != champAvant;
    }

    QString Sortie() && { return std::move(sortie_); }

private:
    // The frame position counts from 1; 0 is before the frame.
    QChar Caractere(qsizetype position) const {
        return (position >= 1 && position <= trame_.size()) ? trame_[position - 1] : QChar();
    }

    // One step through the frame, then past the spaces and carriage returns.
    void Avance() {
        ++position_;
        while (Caractere(position_) == u' ' || Caractere(position_) == u'\r') {
            ++position_;
        }
    }

    // Actions beginning with "&" or "^" move one step through the frame and past the spaces
    // and carriage returns that follow; the "&" tokens that take no field then step back one.
    void Joue(const ActionPreparee& a) {
        if (a.avance) {
            Avance();
        }
        switch (a.genre) {
        case GenreAction::Texte:
            sortie_ += a.texte;
            break;
        case GenreAction::Timer:
            if (a.pause) {
                etat_.PauseTimer = *a.pause;
            }
            sortie_ += QStringLiteral("{TIMER}");
            --position_;
            break;
        case GenreAction::Champ:
            AjouteChampSuivant();
            break;
        case GenreAction::Date:
            sortie_ += date_;
            --position_;
            break;
        case GenreAction::Increment:
            sortie_ += etat_.ValeurCompteur;
            --position_;
            break;
        case GenreAction::Tab:
        case GenreAction::PasseLigne:
        case GenreAction::Fermer:
        case GenreAction::OuvrirE:
        case GenreAction::OuvrirS:
        case GenreAction::Valider:
            sortie_ += a.texte;
            --position_;
            break;
        }
    }

    void AjouteChampSuivant() {
        if (champsLitteraux_) {
            AjouteLitteral(sortie_, etat_.Champ(champ_));
        } else {
            sortie_ += etat_.Champ(champ_);
        }
        ++champ_;
    }

    // 40 to 90 as the position goes through the frame.
    void SignaleAvancement() {
        const qsizetype longueur = trame_.size();
        suivi_.Valeur(
            static_cast<int>(40 + 50 * std::min(std::max<qsizetype>(position_, 0), longueur) /
                                      std::max<qsizetype>(longueur, 1)));
    }

    const QString& trame_;
    EtatTraitement& etat_;
    SuiviProgression& suivi_;
    const QString date_;
    const bool champsLitteraux_;
    qsizetype position_ = 0;
    qsizetype champ_ = 0; // the next field to take
    QString sortie_;
};

} // namespace

PositionsScenario LitPositionsScenario(const QString& dossierDonnees, const QString& nom) {
    const DocumentProfil doc =
        DocumentProfil::Charge(CheminScenario(dossierDonnees, nom), EncodageFichier::Windows1252);
    return {doc.Lit(QStringLiteral("Boucle"), QStringLiteral("Index")),
            doc.Lit(QStringLiteral("Depart"), QStringLiteral("Index")),
            doc.Lit(QStringLiteral("Partiel"), QStringLiteral("Nbr"))};
}

ContexteTraitement ContexteScenario(const QString& dossierDonnees, const QString& nom,
                                    const MiroirsRegistre& miroirs, const TableTouches& touches,
                                    const QString& compteur, Progression& progression) {
    return {LitPositionsScenario(dossierDonnees, nom),
            miroirs.SepDecimal,
            touches,
            [compteur] { return compteur; },
            QDate::currentDate(),
            progression,
            miroirs.ChampsTouches};
}

QString TraiteDonnees(QString& trame, EtatTraitement& etat, const EtatScenario& scenario,
                      const ContexteTraitement& ctx) {
    SuiviProgression suivi(ctx.progression);
    suivi.Libelle(QStringLiteral("Traitement des données..."));
    if (scenario.ChoixPartiel == 1) {
        ReduitTrame(trame, etat, scenario, ctx);
    }
    etat.ValeurCompteur = ctx.compteurSuivant ? ctx.compteurSuivant() : QString();

    const std::vector<ActionPreparee> actions = PrepareActions(scenario, ctx.touches);
    const DebutsDesPasses debuts = Debuts(ctx.positions, scenario.NombreActions());
    Parcours parcours(trame, etat, suivi, ctx.aujourdhui.toString(QStringLiteral("dd/MM/yy")),
                      !scenario.SortieFichier && !ctx.champsTouches);
    // A pass that takes no field and does not move through the frame ends processing with
    // what has been built.
    int debut = debuts.premiere;
    while (!parcours.AuBout() && parcours.Passe(actions, debut)) {
        debut = debuts.suivantes;
    }

    QString sortie = std::move(parcours).Sortie();
    AppliqueSeparateurDecimal(sortie, ctx.SepDecimal);
    suivi.Valeur(100);
    return sortie;
}

QString TraiteTrame(QString trame, EtatTraitement& etat, const EtatScenario& scenario,
                    const ContexteTraitement& ctx) {
    VidageDonnees(trame, etat, ctx.progression);
    return TraiteDonnees(trame, etat, scenario, ctx);
}

} // namespace kovra
