#pragma once

#include <QWidget>

class QListWidget;

namespace kovra {

// FrmTouches, "Touches": the field picker LstTouches, everything that can become an action
// of the scenario being edited. A double-click on an item hands it to the editor.
class FenetreTouches : public QWidget {
    Q_OBJECT
public:
    explicit FenetreTouches(QWidget* parent = nullptr);

    // Fills the list with the items of a scenario type (see ItemsTouches).
    void ChargeTouches(const QString& dossierDonnees, const QString& type);

    QListWidget* LstTouches;

signals:
    void itemChoisi(const QString& item);
};

} // namespace kovra
