#pragma once

#include "edition/EditionScenario.h"
#include "editor/FenetreActions.h"
#include "editor/FenetreTest.h"
#include "editor/FenetreTouches.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QWidget;

namespace kovra {

class Dialogues;
class NoyauKovra;

// The three windows of the scenario editor, owned by the settings window: the action list
// (FrmActions), the field picker (FrmTouches) and the test window (FrmTest). They work on
// the scenario they were opened with, whatever the settings window shows meanwhile. Each
// window is modeless; closing one discards it, and the next opening makes it afresh.
class EditeurScenario : public QObject {
    Q_OBJECT
public:
    // `proprietaire`: the settings window, which a test sets aside while the keys go to
    // another window and which comes back when the editor closes.
    EditeurScenario(NoyauKovra& noyau, Dialogues& dialogues, QWidget* proprietaire);
    ~EditeurScenario() override;

    // Shows the three windows on scenario `numero`, their lists filled from the database.
    void Ouvre(qint16 numero);
    // Closes the three windows and brings the settings window back.
    void Ferme();
    // The scenario so named was deleted: the editor closes if it works on it.
    void ScenarioSupprime(const QString& nom);
    // The scenario is about to be compiled: a pending insert ends and the list is read again.
    void AvantCompilation();

    EditionScenario& Edition();
    FenetreActions* Actions() const { return actions_; }
    FenetreTouches* Touches() const { return touches_; }
    FenetreTest* Test() const { return test_; }

private:
    void CreeFenetres();
    void Choisit(const QString& item);
    void MetDeCote();

    NoyauKovra& noyau_;
    Dialogues& dialogues_;
    QWidget* proprietaire_;
    std::unique_ptr<EditionScenario> edition_; // made at the first opening
    QPointer<FenetreActions> actions_;
    QPointer<FenetreTouches> touches_;
    QPointer<FenetreTest> test_;
    bool misDeCote_ = false;
};

} // namespace kovra
