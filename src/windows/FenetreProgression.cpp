#include "windows/FenetreProgression.h"

#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace kovra {

FenetreProgression::FenetreProgression(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), libelle_(new QLabel(this)),
      barre_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(kTitreApplication);
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));
    setAttribute(Qt::WA_ShowWithoutActivating);
    libelle_->setObjectName(QStringLiteral("Label1"));
    barre_->setObjectName(QStringLiteral("ProgressBar1"));
    barre_->setRange(0, 100);
    barre_->setValue(0);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(libelle_);
    disposition->addWidget(barre_);
    resize(360, 90);

    // The bar follows the last value reported, once per turn of the event loop.
    miseAJour_.setSingleShot(true);
    miseAJour_.setInterval(0);
    connect(&miseAJour_, &QTimer::timeout, this, [this] { barre_->setValue(valeur_); });
}

void FenetreProgression::Montre() {
    if (isVisible()) {
        return;
    }
    miseAJour_.stop();
    valeur_ = 0;
    barre_->setValue(0);
    show();
}

void FenetreProgression::Libelle(const QString& texte) {
    Montre();
    libelle_->setText(texte);
}

void FenetreProgression::Valeur(int pourcent) {
    Montre();
    valeur_ = std::clamp(pourcent, 0, 100);
    if (!miseAJour_.isActive()) {
        miseAJour_.start();
    }
}

void FenetreProgression::Termine() {
    miseAJour_.stop();
    hide();
}

} // namespace kovra
