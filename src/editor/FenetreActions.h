#pragma once

#include <QWidget>

class QListWidget;
class QMenu;
class QAction;

namespace kovra {

class EditionScenario;

// FrmActions, "Champs": the action list LstChamps of the scenario being edited. A
// double-click edits an action; the right button opens the menu mnuflottant ("&Insérer",
// "&Supprimer", "&Boucle", "&Départ"). Each command goes to the editor, and the list then
// shows the editor's lines with the line it says selected.
class FenetreActions : public QWidget {
    Q_OBJECT
public:
    FenetreActions(EditionScenario& edition, QWidget* parent = nullptr);

    // Shows the editor's lines; `selection` -1 selects none.
    void Montre(int selection);
    // The selected line, -1 when none.
    int Selection() const;

    // The handlers, which tests call directly too.
    void Edite();
    void Insere();
    void Supprime();
    void Boucle();
    void Depart();

    QListWidget* LstChamps;
    QMenu* mnuflottant;
    QAction* mnuinsert;
    QAction* mnusupp;
    QAction* mnuboucle;
    QAction* mnudepart;

signals:
    // The list window closes: a pending insert ends with it.
    void fermee();

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    EditionScenario& edition_;
};

} // namespace kovra
