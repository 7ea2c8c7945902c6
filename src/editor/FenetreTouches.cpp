#include "editor/FenetreTouches.h"

#include "dialogues/Icones.h"
#include "edition/ItemsTouches.h"

#include <QListWidget>
#include <QVBoxLayout>

namespace kovra {

FenetreTouches::FenetreTouches(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FrmTouches"));
    setWindowTitle(QStringLiteral("Touches"));
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));
    LstTouches = new QListWidget(this);
    LstTouches->setObjectName(QStringLiteral("LstTouches"));
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(4, 4, 4, 4);
    disposition->addWidget(LstTouches);
    connect(LstTouches, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit itemChoisi(item->text()); });
    resize(200, 380);
}

void FenetreTouches::ChargeTouches(const QString& dossierDonnees, const QString& type) {
    LstTouches->clear();
    LstTouches->addItems(ItemsTouches(dossierDonnees, type));
}

} // namespace kovra
