#include "editor/FenetreActions.h"

#include "dialogues/Icones.h"
#include "edition/EditionScenario.h"

#include <QAction>
#include <QCloseEvent>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>

namespace kovra {

FenetreActions::FenetreActions(EditionScenario& edition, QWidget* parent)
    : QWidget(parent, Qt::Window), edition_(edition) {
    setObjectName(QStringLiteral("FrmActions"));
    setWindowTitle(QStringLiteral("Champs"));
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));

    LstChamps = new QListWidget(this);
    LstChamps->setObjectName(QStringLiteral("LstChamps"));
    LstChamps->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(4, 4, 4, 4);
    disposition->addWidget(LstChamps);

    mnuflottant = new QMenu(QStringLiteral("Flottant"), this);
    mnuflottant->setObjectName(QStringLiteral("mnuflottant"));
    mnuinsert = mnuflottant->addAction(QStringLiteral("&Insérer"));
    mnusupp = mnuflottant->addAction(QStringLiteral("&Supprimer"));
    mnuflottant->addSeparator();
    mnuboucle = mnuflottant->addAction(QStringLiteral("&Boucle"));
    mnudepart = mnuflottant->addAction(QStringLiteral("&Départ"));
    connect(mnuinsert, &QAction::triggered, this, &FenetreActions::Insere);
    connect(mnusupp, &QAction::triggered, this, &FenetreActions::Supprime);
    connect(mnuboucle, &QAction::triggered, this, &FenetreActions::Boucle);
    connect(mnudepart, &QAction::triggered, this, &FenetreActions::Depart);

    connect(LstChamps, &QListWidget::itemDoubleClicked, this, &FenetreActions::Edite);
    connect(LstChamps, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        mnuflottant->popup(LstChamps->viewport()->mapToGlobal(pos));
    });
    resize(260, 380);
}

void FenetreActions::Montre(int selection) {
    const QStringList& lignes = edition_.Lignes();
    while (LstChamps->count() > lignes.size()) {
        delete LstChamps->takeItem(LstChamps->count() - 1);
    }
    for (int i = 0; i < lignes.size(); ++i) {
        if (i < LstChamps->count()) {
            LstChamps->item(i)->setText(lignes[i]);
        } else {
            LstChamps->addItem(lignes[i]);
        }
    }
    if (selection >= 0 && selection < LstChamps->count()) {
        LstChamps->setCurrentRow(selection);
    } else {
        LstChamps->setCurrentRow(-1);
        LstChamps->clearSelection();
    }
}

int FenetreActions::Selection() const {
    const QList<QListWidgetItem*> choisis = LstChamps->selectedItems();
    return choisis.isEmpty() ? -1 : LstChamps->row(choisis.first());
}

void FenetreActions::Edite() {
    Montre(edition_.Edite(Selection()));
}

void FenetreActions::Insere() {
    Montre(edition_.Insere(Selection()));
}

void FenetreActions::Supprime() {
    Montre(edition_.Supprime(Selection()));
}

void FenetreActions::Boucle() {
    Montre(edition_.Boucle(Selection()));
}

void FenetreActions::Depart() {
    Montre(edition_.Depart(Selection()));
}

void FenetreActions::closeEvent(QCloseEvent* evenement) {
    emit fermee();
    evenement->accept();
}

} // namespace kovra
