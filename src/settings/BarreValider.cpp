#include "settings/BarreValider.h"

#include <QStyle>
#include <QToolBar>

namespace kovra {

QToolBar* BarreValiderFermer(QWidget* parent, const QString& nom) {
    auto* barre = new QToolBar(parent);
    barre->setObjectName(nom);
    barre->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    barre->addAction(parent->style()->standardIcon(QStyle::SP_DialogApplyButton),
                     QStringLiteral("Valider"));
    barre->addAction(parent->style()->standardIcon(QStyle::SP_DialogCloseButton),
                     QStringLiteral("Fermer"));
    return barre;
}

} // namespace kovra
