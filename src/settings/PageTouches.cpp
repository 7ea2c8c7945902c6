#include "settings/PageTouches.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

namespace {

struct NomsPage {
    const char* page;
    const char* cases;
    const char* libelles;
    const char* barre;
};

NomsPage NomsObjets(GenreTouches genre) {
    if (genre == GenreTouches::Particulieres) {
        return {"PageTouchesParticulieres", "keys", "LblTouche", "TlbPart"};
    }
    return {"PageTouchesSysteme", "systemKey", "Labelsysteme", "TlbSys"};
}

} // namespace

PageTouches::PageTouches(GenreTouches genre, QWidget* parent)
    : QWidget(parent), genre_(genre), groupe_(Groupe(genre)) {
    const NomsPage noms = NomsObjets(genre);
    setObjectName(QLatin1String(noms.page));

    auto* consigne = new QLabel(QStringLiteral("Le nom de chaque touche tel que les actions des "
                                               "scénarios l'emploient, avec ses accolades "
                                               "(par exemple {F1})."),
                                this);
    consigne->setObjectName(QStringLiteral("lblConsigne"));
    consigne->setWordWrap(true);

    // Two columns of label and box, the first key at the top of the left one.
    auto* grille = new QGridLayout;
    const int lignes = (groupe_.Nombre() + 1) / 2;
    for (int i = 0; i < groupe_.Nombre(); ++i) {
        auto* libelle = new QLabel(groupe_.libelles[i], this);
        libelle->setObjectName(QLatin1String(noms.libelles) + QString::number(i));
        libelle->setTextFormat(Qt::PlainText);
        auto* boite = new QLineEdit(this);
        boite->setObjectName(QLatin1String(noms.cases) + QString::number(i));
        libelle->setBuddy(boite);
        const int colonne = i < lignes ? 0 : 3;
        grille->addWidget(libelle, i % lignes, colonne);
        grille->addWidget(boite, i % lignes, colonne + 1);
        cases_.push_back(boite);
    }
    grille->setColumnMinimumWidth(2, 24);
    grille->setColumnStretch(1, 1);
    grille->setColumnStretch(4, 1);

    barre_ = new QToolBar(this);
    barre_->setObjectName(QLatin1String(noms.barre));
    barre_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* valider = barre_->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                         QStringLiteral("Valider"));
    valider->setObjectName(QStringLiteral("Valider"));
    valider->setData(1);
    QAction* fermer = barre_->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                        QStringLiteral("Fermer"));
    fermer->setObjectName(QStringLiteral("Fermer"));
    fermer->setData(2);
    connect(valider, &QAction::triggered, this, &PageTouches::valide);
    connect(fermer, &QAction::triggered, this, &PageTouches::ferme);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(consigne);
    disposition->addLayout(grille);
    disposition->addStretch();
    disposition->addWidget(barre_, 0, Qt::AlignRight);
}

QString PageTouches::Titre() const {
    return genre_ == GenreTouches::Particulieres ? QStringLiteral("&Touches particuliéres")
                                                 : QStringLiteral("Touches &systémes");
}

QStringList PageTouches::Noms() const {
    QStringList noms;
    for (const QLineEdit* boite : cases_) {
        noms << boite->text();
    }
    return noms;
}

void PageTouches::Remplit(const QStringList& noms) {
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        const auto n = static_cast<qsizetype>(i);
        cases_[i]->setText(n < noms.size() ? noms[n] : QString());
    }
}

} // namespace kovra
