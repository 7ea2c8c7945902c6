#include "settings/EditionScenario.h"

#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "processing/GenreAction.h"
#include "settings/ItemsTouches.h"
#include "storage/BaseScen.h"
#include "storage/EditionActions.h"

namespace kovra {

namespace {

const QString kDebutAction = QStringLiteral("---");

} // namespace

EditionScenario::EditionScenario(BaseScen& base, Dialogues& dialogues)
    : base_(base), dialogues_(dialogues) {}

void EditionScenario::Ouvre(qint16 numero) {
    const std::optional<LigneScenario> ligne = base_.LitScenario(numero);
    if (!ligne) {
        throw ErreurKovra(QStringLiteral("Le scénario numéro %1 n'existe pas.").arg(numero));
    }
    etat_ = EtatEditeur{numero, ligne->Nom, ligne->Type, ligne->Trame, std::nullopt};
    lignes_.clear();
    Relit();
}

void EditionScenario::Recharge() {
    etat_.InsertionEnCours.reset();
    if (Ouvert()) {
        Relit();
    }
}

void EditionScenario::Oublie() {
    etat_ = EtatEditeur{};
    lignes_.clear();
}

void EditionScenario::Relit() {
    lignes_ = LignesListeActions(base_, etat_.NumScen);
    if (etat_.InsertionEnCours) {
        lignes_.insert(*etat_.InsertionEnCours, QString());
    }
}

bool EditionScenario::EstAction(int ligne) const {
    return ligne >= 0 && ligne < lignes_.size() && lignes_[ligne].startsWith(kDebutAction);
}

std::optional<int> EditionScenario::NumeroDeLigne(int ligne) const {
    if (!EstAction(ligne)) {
        return std::nullopt;
    }
    // Every line above the prepared empty line is an action, and it holds none itself.
    const bool apresInsertion = etat_.InsertionEnCours && ligne > *etat_.InsertionEnCours;
    return apresInsertion ? ligne : ligne + 1;
}

int EditionScenario::NombreActions() const {
    int n = 0;
    for (int i = 0; i < lignes_.size(); ++i) {
        n += EstAction(i) ? 1 : 0;
    }
    return n;
}

int EditionScenario::ApresDerniereAction() const {
    int apres = 0;
    for (int i = 0; i < lignes_.size(); ++i) {
        if (EstAction(i) || (etat_.InsertionEnCours && i == *etat_.InsertionEnCours)) {
            apres = i + 1;
        }
    }
    return apres;
}

template <typename F> bool EditionScenario::Execute(F&& changement) {
    try {
        changement();
        Relit();
        return true;
    } catch (const ErreurKovra& e) {
        dialogues_.Message(e.Message(), Icone::Exclamation, kTitreVelar);
    }
    try {
        Relit(); // whatever the database holds now is what the list shows
    } catch (const ErreurKovra&) {
    }
    return false;
}

std::optional<QString> EditionScenario::DemandeTexte(const QString& invite, const QString& titre,
                                                     const QString& defaut) {
    QString propose = defaut;
    for (;;) {
        const std::optional<QString> reponse = dialogues_.Saisie(invite, titre, propose);
        if (!reponse || reponse->isEmpty()) {
            return std::nullopt;
        }
        try {
            VerifieAction(*reponse, 0);
            return reponse;
        } catch (const ErreurKovra& e) {
            dialogues_.Message(e.Message(), Icone::Exclamation, kTitreVelar);
            propose = *reponse;
        }
    }
}

bool EditionScenario::DemandePlace(const QString& item, std::optional<int>& place) {
    place.reset();
    if (etat_.TramePartielle != 1 || !PrendChamp(item)) {
        return true;
    }
    QString propose;
    for (;;) {
        const std::optional<QString> reponse =
            dialogues_.Saisie(kInvitePlace, kTitreApplication, propose);
        if (!reponse) {
            return false;
        }
        bool ok = false;
        const int n = reponse->trimmed().toInt(&ok);
        if (ok && n >= 0 && n <= kPlaceTrameMax) {
            place = n;
            return true;
        }
        dialogues_.Message(QStringLiteral("La place dans la trame doit être un nombre de 0 à %1.")
                               .arg(kPlaceTrameMax),
                           Icone::Exclamation, kTitreApplication);
        propose = *reponse;
    }
}

int EditionScenario::Choisit(const QString& item, int selection) {
    if (!Ouvert()) {
        return selection;
    }
    QString action = item;
    if (item == kItemChampLibre) {
        const std::optional<QString> libre =
            DemandeTexte(kInviteChampLibre, kTitreApplication, QString());
        if (!libre) {
            return selection;
        }
        action = *libre;
    }
    std::optional<int> place;
    if (!DemandePlace(action, place)) {
        return selection;
    }
    const qint16 numero = etat_.NumScen;

    if (etat_.InsertionEnCours && selection == *etat_.InsertionEnCours) {
        const int numAction = selection + 1;
        Execute([&] {
            InsereNouvelleAction(base_, numero, numAction, action, place.value_or(0));
            etat_.InsertionEnCours.reset();
        });
        return selection;
    }
    if (const std::optional<int> numAction = NumeroDeLigne(selection)) {
        // A field of a partial frame that becomes another kind of action gives up its place.
        const std::optional<int> nouvellePlace =
            place ? place : (etat_.TramePartielle == 1 ? std::optional<int>(0) : std::nullopt);
        Execute([&] { EditeAction(base_, numero, *numAction, action, nouvellePlace); });
        return selection;
    }
    const int ligneAjoutee = ApresDerniereAction();
    if (Execute([&] {
            InsereNouvelleAction(base_, numero, NombreActions() + 1, action, place.value_or(0));
        })) {
        return selection >= ligneAjoutee ? selection + 1 : selection;
    }
    return selection;
}

int EditionScenario::Edite(int selection) {
    const std::optional<int> numAction = NumeroDeLigne(selection);
    if (!numAction) {
        return selection;
    }
    const QString actuel = lignes_[selection].mid(4);
    const std::optional<QString> texte =
        DemandeTexte(kInviteModification, kTitreModification, actuel);
    if (!texte) {
        return selection;
    }
    Execute([&] { EditeAction(base_, etat_.NumScen, *numAction, *texte, std::nullopt); });
    return selection;
}

int EditionScenario::Insere(int selection) {
    if (selection < 0 || selection >= lignes_.size()) {
        dialogues_.Message(kAvantInserer, Icone::Exclamation, kTitreVelar);
        return -1;
    }
    if (etat_.InsertionEnCours && selection == *etat_.InsertionEnCours) {
        return selection;
    }
    // Above the selected action; a separator or position line selected: after the last one.
    const int numAction = NumeroDeLigne(selection).value_or(NombreActions() + 1);
    etat_.InsertionEnCours = numAction - 1;
    Execute([] {});
    return numAction - 1;
}

int EditionScenario::Supprime(int selection) {
    if (etat_.InsertionEnCours && selection == *etat_.InsertionEnCours) {
        etat_.InsertionEnCours.reset();
        Execute([] {});
        return -1;
    }
    const std::optional<int> numAction = NumeroDeLigne(selection);
    if (!numAction) {
        dialogues_.Message(kAvantSupprimer, Icone::Exclamation, kTitreApplication);
        return selection < lignes_.size() ? selection : -1;
    }
    Execute([&] {
        RetireAction(base_, etat_.NumScen, *numAction);
        if (etat_.InsertionEnCours && selection < *etat_.InsertionEnCours) {
            etat_.InsertionEnCours = *etat_.InsertionEnCours - 1;
        }
    });
    return -1;
}

int EditionScenario::Position(int selection, bool boucle) {
    if (!Ouvert()) {
        return selection;
    }
    int n = 0;
    if (selection >= 0) {
        const std::optional<int> numAction = NumeroDeLigne(selection);
        if (!numAction) {
            dialogues_.Message(QStringLiteral("Veuillez sélectionner un champ : la boucle et le "
                                              "départ désignent une action."),
                               Icone::Exclamation, kTitreVelar);
            return selection;
        }
        n = *numAction;
    }
    Execute([&] {
        if (boucle) {
            base_.MetAJourBoucle(etat_.NumScen, n);
        } else {
            base_.MetAJourDepart(etat_.NumScen, n);
        }
    });
    return selection;
}

int EditionScenario::Boucle(int selection) {
    return Position(selection, true);
}

int EditionScenario::Depart(int selection) {
    return Position(selection, false);
}

} // namespace kovra
