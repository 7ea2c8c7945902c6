#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kovra {

class BaseScen;
class Dialogues;

// What the editor holds of the scenario it was opened with.
struct EtatEditeur {
    qint16 NumScen = 0;
    QString Nom;
    QString TypeScen;
    // The scenario's own partial-frame flag: 1 asks where a field stands in the frame.
    qint16 TramePartielle = 0;
    // The index of the empty line Insert prepared, while the next pick has not filled it.
    std::optional<int> InsertionEnCours;
};

// The messages of the editor's commands.
inline const QString kInviteChampLibre = QStringLiteral("Valeur du champs libre : ");
inline const QString kInvitePlace = QStringLiteral("Place du champs dans la trame d'origine");
inline const QString kInviteModification = QStringLiteral("Valeur du champ :");
inline const QString kTitreModification = QStringLiteral("Modification de champ");
inline const QString kAvantInserer =
    QStringLiteral("Veuillez sélectionner un champ avant d'insérer");
inline const QString kAvantSupprimer =
    QStringLiteral("Vous devez selectionner un champs à supprimer");
inline const QString kListeChangee =
    QStringLiteral("Les actions de ce scénario ont été modifiées ailleurs entre-temps : la liste "
                   "vient d'être relue et rien n'a été changé. Recommencez sur la liste à jour.");

// The scenario editor without its windows: the scenario it was opened with, the lines of its
// action list, and the commands that change both. The list always shows what the database
// holds: "--- " and the text of each action in order, then an empty line, "Boucle : n" and
// "Départ : n"; the only other line is the empty line Insert prepares, which holds no
// action until a pick fills it. Every command asks its questions first, then changes the
// database in one step, then the list; a cancelled question or a refusal (told to the user)
// changes nothing. Another program may change the scenario while the list is shown: before
// asking and again before storing, each command checks that the list still shows what the
// database holds; if not, the list is read again, the user told, and nothing changed.
// Commands take the selected line's index (-1: none) and return the index to select
// afterwards.
class EditionScenario {
public:
    EditionScenario(BaseScen& base, Dialogues& dialogues);

    // Takes the scenario `numero` (throws ErreurKovra when it does not exist), its list read
    // from the database; a pending insert ends.
    void Ouvre(qint16 numero);
    // Reads the list again from the database; a pending insert ends (before the scenario is
    // compiled, so that line numbers and action numbers agree).
    void Recharge();
    // Forgets the scenario (it was deleted, or the editor closed).
    void Oublie();

    const EtatEditeur& Etat() const { return etat_; }
    const QStringList& Lignes() const { return lignes_; }
    bool Ouvert() const { return etat_.NumScen != 0; }
    // The action number line `ligne` shows, if it shows one.
    std::optional<int> NumeroDeLigne(int ligne) const;

    // A picker item double-clicked: fills the line Insert prepared when it is selected,
    // replaces the selected action, else adds the action after the last one.
    int Choisit(const QString& item, int selection);
    // Double-click: a new text for the selected action. In a partial frame, an action that
    // takes a field is asked its place (its own offered), any other gives its place up.
    int Edite(int selection);
    // "&Insérer": an empty line above the selected action, for the next pick.
    int Insere(int selection);
    // "&Supprimer": removes the selected action (or the line Insert prepared).
    int Supprime(int selection);
    // "&Boucle" and "&Départ": the selected action (0 with none selected) becomes the loop
    // or the start position.
    int Boucle(int selection);
    int Depart(int selection);
    // The list window was closed: a pending insert ends with it, and its empty line.
    void FinInsertion();

private:
    [[nodiscard]] bool EstAction(int ligne) const;
    int NombreActions() const;
    int ApresDerniereAction() const;
    void Relit();
    std::optional<QString> DemandeTexte(const QString& invite, const QString& titre,
                                        const QString& defaut);
    // Asks the place in the frame when this item takes a field of a partial frame, `defaut`
    // offered; false when the user cancelled.
    bool DemandePlace(const QString& item, std::optional<int>& place, int defaut = 0);
    // The place an action keeps when it becomes `item`: the one asked, else none in a
    // partial frame (only the fields are placed), else the place it had.
    std::optional<int> PlaceRetenue(const std::optional<int>& demandee) const;
    // Whether the list still shows what the database holds; if not, the list is read again
    // (a pending insert ends), the user told, and false returned.
    [[nodiscard]] bool ListeAJour();
    int Position(int selection, bool boucle);
    // Runs a change of the database; false (the user told) when it failed.
    template <typename F> bool Execute(F&& changement);

    BaseScen& base_;
    Dialogues& dialogues_;
    EtatEditeur etat_;
    QStringList lignes_;
};

} // namespace kovra
