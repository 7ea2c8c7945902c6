#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QToolBar;

namespace kovra {

// The "S&cénario" page of the settings window: the scenario list (LstScen, in the inner
// tab "&Scénarios"), its toolbar TlbScen ("Créer", "Supprimer"), the properties of the
// scenario shown, the save button TlbSaveScen and the toolbar TlbScenarios. The window
// handles what the controls do.
class PageScenarios : public QWidget {
    Q_OBJECT
public:
    explicit PageScenarios(QWidget* parent = nullptr);

    // Shows the property controls; `modifiables`: name, type and partial frame can be
    // changed (a new scenario) or only shown (an existing one, whose save does not change
    // them).
    void MontreProprietes(bool modifiables);

    QTabWidget* TabScenario;
    QListWidget* LstScen;
    QToolBar* TlbScen;
    QLabel* LblNomScen;
    QLineEdit* TxtNomScen;
    QLabel* LblType;
    QComboBox* CboType;
    QCheckBox* ChcPartiel;
    QCheckBox* ChDatalogic;
    QGroupBox* FraChemin;
    QCheckBox* chkIncrement;
    QLabel* LblChemin;
    QLineEdit* TxtChemin;
    QToolBar* TlbSaveScen;
    QToolBar* TlbScenarios;
};

} // namespace kovra
