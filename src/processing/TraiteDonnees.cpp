#include "processing/TraiteDonnees.h"

#include "keyboard/EnvoiTouches.h"
#include "processing/GenreAction.h"
#include "processing/ReductionPartielle.h"
#include "processing/SeparateurDecimal.h"
#include "processing/VidageDonnees.h"
#include "storage/FichierProfil.h"

#include <limits>
#include <optional>

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
        // A record size beyond 16 bits is no size the editor could have written.
        const int nbr = Entier(ctx.positions.Nbr).value_or(0);
        trame = ReduitTramePartielle(trame, nbr <= std::numeric_limits<qint16>::max() ? nbr : 0,
                                     scenario.PlacesTrame);
        VidageDonnees(trame, etat, ctx.progression);
    }
    etat.ValeurCompteur = ctx.compteurSuivant ? ctx.compteurSuivant() : QString();

    const int n = scenario.NombreActions();
    std::vector<ActionPreparee> actions;
    actions.reserve(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        actions.push_back(Prepare(scenario.ListeActions[i], ctx.touches));
    }
    const QString date = ctx.aujourdhui.toString(QStringLiteral("dd/MM/yy"));
    const bool champsLitteraux = !scenario.SortieFichier && !ctx.champsTouches;

    const qsizetype longueur = trame.size();
    // The frame position counts from 1; 0 is before the frame.
    const auto caractere = [&](qsizetype pos) {
        return (pos >= 1 && pos <= longueur) ? trame[pos - 1] : QChar();
    };
    // Where each pass starts: the start position when there is no loop position, else
    // 1 for the first pass and the loop position for the later ones. A position that is
    // not a number is ignored.
    const bool avecDepart = !ctx.positions.Depart.isEmpty();
    const bool avecBoucle = !ctx.positions.Boucle.isEmpty();
    const std::optional<int> depart = Entier(ctx.positions.Depart);
    const std::optional<int> boucle = Entier(ctx.positions.Boucle);

    qsizetype p = 0;
    qsizetype k = 0;
    int i = 0;
    QString sortie;
    sortie.reserve(longueur * 2);
    while (p < longueur) {
        int s = 1;
        if (avecDepart) {
            s = depart.value_or(s);
        }
        if (avecBoucle) {
            s = (i - 1 == n) ? boucle.value_or(s) : 1;
        }
        if (s < 0 || s > n) {
            s = 1;
        }
        const qsizetype pAvant = p;
        const qsizetype kAvant = k;
        for (i = s; i <= n; ++i) {
            const ActionPreparee& a = actions[i];
            if (a.avance) {
                ++p;
                while (caractere(p) == u' ' || caractere(p) == u'\r') {
                    ++p;
                }
            }
            switch (a.genre) {
            case GenreAction::Texte:
                sortie += a.texte;
                break;
            case GenreAction::Timer:
                if (a.pause) {
                    etat.PauseTimer = *a.pause;
                }
                sortie += QStringLiteral("{TIMER}");
                --p;
                break;
            case GenreAction::Champ:
                if (champsLitteraux) {
                    AjouteLitteral(sortie, etat.Champ(k));
                } else {
                    sortie += etat.Champ(k);
                }
                ++k;
                break;
            case GenreAction::Date:
                sortie += date;
                --p;
                break;
            case GenreAction::Increment:
                sortie += etat.ValeurCompteur;
                --p;
                break;
            case GenreAction::Tab:
            case GenreAction::PasseLigne:
            case GenreAction::Fermer:
            case GenreAction::OuvrirE:
            case GenreAction::OuvrirS:
            case GenreAction::Valider:
                sortie += a.texte;
                --p;
                break;
            }
            suivi.Valeur(static_cast<int>(40 + 50 * std::min(std::max<qsizetype>(p, 0), longueur) /
                                                   std::max<qsizetype>(longueur, 1)));
            if (k == etat.NbChamps) {
                p = longueur;
            }
        }
        if (p == pAvant && k == kAvant) {
            break;
        }
    }

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
