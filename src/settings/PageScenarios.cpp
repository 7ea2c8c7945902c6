#include "settings/PageScenarios.h"

#include "settings/BarreValider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

PageScenarios::PageScenarios(QWidget* parent) : QWidget(parent) {
    TabScenario = new QTabWidget(this);
    TabScenario->setObjectName(QStringLiteral("TabScenario"));
    auto* onglet = new QWidget(TabScenario);
    LstScen = new QListWidget(onglet);
    LstScen->setObjectName(QStringLiteral("LstScen"));
    TlbScen = new QToolBar(onglet);
    TlbScen->setObjectName(QStringLiteral("TlbScen"));
    TlbScen->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    TlbScen->addAction(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("Créer"));
    TlbScen->addAction(style()->standardIcon(QStyle::SP_TrashIcon), QStringLiteral("Supprimer"));
    auto* liste = new QVBoxLayout(onglet);
    liste->addWidget(TlbScen);
    liste->addWidget(LstScen);
    TabScenario->addTab(onglet, QStringLiteral("&Scénarios"));

    auto* proprietes = new QWidget(this);
    LblNomScen = new QLabel(QStringLiteral("Nom scénario :"), proprietes);
    LblNomScen->setObjectName(QStringLiteral("LblNomScen"));
    TxtNomScen = new QLineEdit(proprietes);
    TxtNomScen->setObjectName(QStringLiteral("TxtNomScen"));
    LblType = new QLabel(QStringLiteral("Type :"), proprietes);
    LblType->setObjectName(QStringLiteral("LblType"));
    CboType = new QComboBox(proprietes);
    CboType->setObjectName(QStringLiteral("CboType"));
    ChcPartiel = new QCheckBox(QStringLiteral("Trame partielle"), proprietes);
    ChcPartiel->setObjectName(QStringLiteral("ChcPartiel"));
    ChDatalogic = new QCheckBox(QStringLiteral("Pour Datalogic"), proprietes);
    ChDatalogic->setObjectName(QStringLiteral("ChDatalogic"));

    FraChemin = new QGroupBox(QStringLiteral("Fichier de récupération"), proprietes);
    FraChemin->setObjectName(QStringLiteral("FraChemin"));
    chkIncrement = new QCheckBox(QStringLiteral("Incrémentation des fichiers"), FraChemin);
    chkIncrement->setObjectName(QStringLiteral("chkIncrement"));
    LblChemin = new QLabel(QStringLiteral("Chemin :"), FraChemin);
    LblChemin->setObjectName(QStringLiteral("LblChemin"));
    TxtChemin = new QLineEdit(FraChemin);
    TxtChemin->setObjectName(QStringLiteral("TxtChemin"));
    auto* chemin = new QGridLayout(FraChemin);
    chemin->addWidget(chkIncrement, 0, 0, 1, 2);
    chemin->addWidget(LblChemin, 1, 0);
    chemin->addWidget(TxtChemin, 1, 1);

    TlbSaveScen = new QToolBar(proprietes);
    TlbSaveScen->setObjectName(QStringLiteral("TlbSaveScen"));
    TlbSaveScen->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    TlbSaveScen->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton),
                           QStringLiteral("Enregistrer"));

    auto* grille = new QGridLayout(proprietes);
    grille->addWidget(LblNomScen, 0, 0);
    grille->addWidget(TxtNomScen, 0, 1);
    grille->addWidget(LblType, 1, 0);
    grille->addWidget(CboType, 1, 1);
    grille->addWidget(ChcPartiel, 2, 0, 1, 2);
    grille->addWidget(ChDatalogic, 3, 0, 1, 2);
    grille->addWidget(FraChemin, 4, 0, 1, 2);
    grille->addWidget(TlbSaveScen, 5, 1, Qt::AlignRight);
    grille->setRowStretch(6, 1);
    grille->setColumnStretch(1, 1);

    auto* haut = new QHBoxLayout;
    haut->addWidget(TabScenario, 1);
    haut->addWidget(proprietes, 1);

    TlbScenarios = BarreValiderFermer(this, QStringLiteral("TlbScenarios"));
    auto* disposition = new QVBoxLayout(this);
    disposition->addLayout(haut);
    disposition->addWidget(TlbScenarios, 0, Qt::AlignRight);

    for (QWidget* w : std::initializer_list<QWidget*>{LblNomScen, TxtNomScen, LblType, CboType,
                                                      TlbSaveScen, FraChemin}) {
        w->hide();
    }
}

void PageScenarios::MontreProprietes(bool modifiables) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{LblNomScen, TxtNomScen, LblType, CboType, TlbSaveScen}) {
        w->show();
    }
    // Greyed, not only read-only: a name that cannot be changed must not look editable.
    TxtNomScen->setReadOnly(!modifiables);
    TxtNomScen->setEnabled(modifiables);
    CboType->setEnabled(modifiables);
    ChcPartiel->setEnabled(modifiables);
}

} // namespace kovra
