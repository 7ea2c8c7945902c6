#include "edition/EditionScenario.h"

#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "edition/ItemsTouches.h"
#include "processing/GenreAction.h"
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

void EditionScenario::FinInsertion() {
    if (etat_.InsertionEnCours && *etat_.InsertionEnCours < lignes_.size()) {
        lignes_.removeAt(*etat_.InsertionEnCours);
    }
    etat_.InsertionEnCours.reset();
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

bool EditionScenario::ListeAJour() {
    QStringList montrees = lignes_;
    if (etat_.InsertionEnCours && *etat_.InsertionEnCours < montrees.size()) {
        montrees.removeAt(*etat_.InsertionEnCours);
    }
    QStringList stockees;
    try {
        stockees = LignesListeActions(base_, etat_.NumScen);
    } catch (const ErreurKovra& e) {
        dialogues_.Message(e.Message(), Icone::Exclamation, kTitreVelar);
        return false;
    }
    if (stockees == montrees) {
        return true;
    }
    // The lines no longer give the numbers of the actions they show, nor the place of the
    // prepared empty line.
    etat_.InsertionEnCours.reset();
    lignes_ = stockees;
    dialogues_.Message(kListeChangee, Icone::Exclamation, kTitreVelar);
    return false;
}

std::optional<int> EditionScenario::PlaceRetenue(const std::optional<int>& demandee) const {
    if (demandee) {
        return demandee;
    }
    return etat_.TramePartielle == 1 ? std::optional<int>(0) : std::nullopt;
}

bool EditionScenario::DemandePlace(const QString& item, std::optional<int>& place, int defaut) {
    place.reset();
    if (etat_.TramePartielle != 1 || !PrendChamp(item)) {
        return true;
    }
    QString propose = defaut != 0 ? QString::number(defaut) : QString();
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
    if (!ListeAJour()) {
        return -1;
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
    if (!ListeAJour()) {
        return -1;
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
        Execute([&] { EditeAction(base_, numero, *numAction, action, PlaceRetenue(place)); });
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
    if (!ListeAJour()) {
        return -1;
    }
    int placeActuelle = 0;
    try {
        const std::vector<LigneAction> actions = base_.Actions(etat_.NumScen);
        if (const auto i = static_cast<std::size_t>(*numAction) - 1; i < actions.size()) {
            placeActuelle = actions[i].PlaceTrame;
        }
    } catch (const ErreurKovra& e) {
        dialogues_.Message(e.Message(), Icone::Exclamation, kTitreVelar);
        return selection;
    }
    const QString actuel = lignes_[selection].mid(4);
    const std::optional<QString> texte =
        DemandeTexte(kInviteModification, kTitreModification, actuel);
    if (!texte) {
        return selection;
    }
    std::optional<int> place;
    if (!DemandePlace(*texte, place, placeActuelle)) {
        return selection;
    }
    if (!ListeAJour()) {
        return -1;
    }
    Execute([&] { EditeAction(base_, etat_.NumScen, *numAction, *texte, PlaceRetenue(place)); });
    return selection;
}

int EditionScenario::Insere(int selection) {
    if (selection < 0 || selection >= lignes_.size()) {
        dialogues_.Message(kAvantInserer, Icone::Exclamation, kTitreVelar);
        return -1;
    }
    if (!ListeAJour()) {
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
    if (!ListeAJour()) {
        return -1;
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
    if (!ListeAJour()) {
        return -1;
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
