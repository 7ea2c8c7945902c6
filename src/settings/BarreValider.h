#pragma once

#include <QString>

class QToolBar;
class QWidget;

namespace kovra {

// The toolbar that ends a page of the settings window: button 1 "Valider", button 2
// "Fermer", each its text beside an icon (actions()[0] and actions()[1]).
QToolBar* BarreValiderFermer(QWidget* parent, const QString& nom);

} // namespace kovra
