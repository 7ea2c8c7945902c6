#include "editor/EditeurScenario.h"

#include "app/NoyauKovra.h"
#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "editor/FenetreActions.h"
#include "editor/FenetreTest.h"
#include "editor/FenetreTouches.h"

#include <QListWidget>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kovra {

namespace {

// Moves a window near `voulu`, kept whole on the screen of `proprietaire`.
void Place(QWidget* fenetre, QWidget* proprietaire, QPoint voulu) {
    QScreen* ecran = proprietaire != nullptr ? proprietaire->screen() : fenetre->screen();
    if (ecran == nullptr) {
        return;
    }
    const QRect zone = ecran->availableGeometry();
    const QSize taille = fenetre->frameGeometry().size();
    voulu.setX(
        std::clamp(voulu.x(), zone.left(), std::max(zone.left(), zone.right() - taille.width())));
    voulu.setY(
        std::clamp(voulu.y(), zone.top(), std::max(zone.top(), zone.bottom() - taille.height())));
    fenetre->move(voulu);
}

} // namespace

EditeurScenario::EditeurScenario(NoyauKovra& noyau, Dialogues& dialogues, QWidget* proprietaire)
    : QObject(proprietaire), noyau_(noyau), dialogues_(dialogues), proprietaire_(proprietaire) {}

EditionScenario& EditeurScenario::Edition() {
    if (edition_ == nullptr) {
        edition_ = std::make_unique<EditionScenario>(noyau_.Base(), dialogues_);
    }
    return *edition_;
}

EditeurScenario::~EditeurScenario() {
    // The windows are children of the settings window, which deletes them after this
    // object: their signals must no longer reach it.
    for (QWidget* w : std::initializer_list<QWidget*>{actions_, touches_, test_}) {
        if (w != nullptr) {
            w->disconnect(this);
            delete w;
        }
    }
}

void EditeurScenario::CreeFenetres() {
    const bool premiere = actions_.isNull() && touches_.isNull() && test_.isNull();
    const QPoint coin =
        proprietaire_ != nullptr ? proprietaire_->frameGeometry().topRight() : QPoint(0, 0);
    if (test_.isNull()) {
        test_ = new FenetreTest({noyau_, dialogues_, [this] { AvantCompilation(); },
                                 [this] { MetDeCote(); },
                                 [this] {
                                     Ferme();
                                 }},
                                Edition().Etat().NumScen, proprietaire_);
        test_->setAttribute(Qt::WA_DeleteOnClose);
        if (premiere) {
            Place(test_, proprietaire_, coin + QPoint(8, 400));
        }
    }
    if (actions_.isNull()) {
        actions_ = new FenetreActions(Edition(), proprietaire_);
        actions_->setAttribute(Qt::WA_DeleteOnClose);
        connect(actions_, &FenetreActions::fermee, this, [this] { Edition().FinInsertion(); });
        if (premiere) {
            Place(actions_, proprietaire_, coin + QPoint(8, 0));
        }
    }
    if (touches_.isNull()) {
        touches_ = new FenetreTouches(proprietaire_);
        touches_->setAttribute(Qt::WA_DeleteOnClose);
        connect(touches_, &FenetreTouches::itemChoisi, this, &EditeurScenario::Choisit);
        if (premiere) {
            Place(touches_, proprietaire_, coin + QPoint(280, 0));
        }
    }
}

void EditeurScenario::Ouvre(qint16 numero) {
    try {
        Edition().Ouvre(numero);
    } catch (const ErreurKovra& e) {
        dialogues_.Message(e.Message(), Icone::Exclamation, kTitreVelar);
        return;
    }
    CreeFenetres();
    test_->ChangeScenario(numero);
    test_->show();
    actions_->show();
    touches_->show();
    touches_->ChargeTouches(noyau_.Env().DossierDonnees, Edition().Etat().TypeScen);
    actions_->Montre(-1);
    actions_->raise();
    actions_->activateWindow();
}

void EditeurScenario::Ferme() {
    for (QWidget* w : std::initializer_list<QWidget*>{touches_, actions_, test_}) {
        if (w != nullptr) {
            w->close();
        }
    }
    Edition().Oublie();
    if (misDeCote_ && proprietaire_ != nullptr) {
        misDeCote_ = false;
        proprietaire_->showNormal();
        proprietaire_->raise();
        proprietaire_->activateWindow();
    }
}

void EditeurScenario::ScenarioSupprime(const QString& nom) {
    if (Edition().Ouvert() && Edition().Etat().Nom == nom) {
        Ferme();
    }
}

void EditeurScenario::AvantCompilation() {
    const std::optional<int> attente = Edition().Etat().InsertionEnCours;
    int selection = actions_.isNull() ? -1 : actions_->Selection();
    Edition().Recharge();
    if (attente && selection >= *attente) {
        selection = selection == *attente ? -1 : selection - 1; // the empty line is gone
    }
    if (!actions_.isNull()) {
        actions_->Montre(selection);
    }
}

void EditeurScenario::Choisit(const QString& item) {
    const int selection = actions_.isNull() ? -1 : actions_->Selection();
    const int apres = Edition().Choisit(item, selection);
    if (!actions_.isNull()) {
        actions_->Montre(apres);
    }
}

void EditeurScenario::MetDeCote() {
    if (proprietaire_ != nullptr && proprietaire_->isVisible() && !proprietaire_->isMinimized()) {
        misDeCote_ = true;
        proprietaire_->showMinimized();
    }
}

} // namespace kovra
