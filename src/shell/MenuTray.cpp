#include "shell/MenuTray.h"

#include "dialogues/Icones.h"

#include <QCloseEvent>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace kovra {

namespace {

constexpr int kMargeDroite = 20;

QString NomIcone(EntreeMenu e) {
    switch (e) {
    case EntreeMenu::Parametrage:
        return QStringLiteral("menu-parametrage");
    case EntreeMenu::Kovra:
        return QStringLiteral("menu-kovra");
    case EntreeMenu::Transfert:
        return QStringLiteral("menu-transfert");
    case EntreeMenu::Commande:
        return QStringLiteral("menu-commande");
    case EntreeMenu::Quitter:
        return QStringLiteral("menu-quitter");
    case EntreeMenu::Fichier:
        break;
    }
    return QStringLiteral("menu-fichier");
}

} // namespace

QString LibelleEntree(EntreeMenu e) {
    switch (e) {
    case EntreeMenu::Parametrage:
        return QStringLiteral("   Paramétrage");
    case EntreeMenu::Kovra:
        return QStringLiteral("   Kovra");
    case EntreeMenu::Transfert:
        return QStringLiteral("   Transfert");
    case EntreeMenu::Commande:
        return QStringLiteral("   Commande");
    case EntreeMenu::Quitter:
        return QStringLiteral("   Quitter");
    case EntreeMenu::Fichier:
        break;
    }
    return QStringLiteral("   Fichier");
}

QList<EntreeMenu> EntreesMenu(bool avecCommande) {
    QList<EntreeMenu> entrees{EntreeMenu::Kovra, EntreeMenu::Parametrage, EntreeMenu::Fichier,
                              EntreeMenu::Transfert};
    if (avecCommande) {
        entrees << EntreeMenu::Commande;
    }
    entrees << EntreeMenu::Quitter;
    return entrees;
}

QPoint PositionMenu(const QRect& zoneTravail, const QSize& taille) {
    return {zoneTravail.x() + zoneTravail.width() - kMargeDroite - taille.width(),
            zoneTravail.y() + zoneTravail.height() - taille.height()};
}

MenuTray::MenuTray(bool avecCommande, bool fenetreOrdinaire,
                   std::function<void(EntreeMenu)> choisie, QWidget* parent)
    : QFrame(parent, fenetreOrdinaire ? Qt::Window : Qt::Popup), choisie_(std::move(choisie)),
      ordinaire_(fenetreOrdinaire) {
    setObjectName(QStringLiteral("frmIn"));
    setWindowTitle(QStringLiteral("Kovra"));
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::Box);
    setMouseTracking(true);
    setStyleSheet(QStringLiteral("#frmIn { background: #ffffff; }"));
    auto* colonne = new QVBoxLayout(this);
    colonne->setContentsMargins(2, 2, 2, 2);
    colonne->setSpacing(0);
    for (const EntreeMenu e : EntreesMenu(avecCommande)) {
        auto* fond = new QWidget(this);
        fond->setAutoFillBackground(true);
        fond->setMouseTracking(true);
        auto* icone = new QLabel(fond);
        icone->setObjectName(QStringLiteral("imgIcon%1").arg(static_cast<int>(e)));
        icone->setPixmap(IconeKovra(NomIcone(e)).pixmap(24, 24));
        icone->setMouseTracking(true);
        auto* libelle = new QLabel(LibelleEntree(e), fond);
        libelle->setObjectName(QStringLiteral("LblMenu%1").arg(static_cast<int>(e)));
        libelle->setMouseTracking(true);
        auto* ligne = new QHBoxLayout(fond);
        ligne->setContentsMargins(8, 5, 24, 5);
        ligne->addWidget(icone);
        ligne->addWidget(libelle, 1);
        colonne->addWidget(fond);
        for (QWidget* w : {fond, static_cast<QWidget*>(icone), static_cast<QWidget*>(libelle)}) {
            w->installEventFilter(this);
        }
        lignes_.push_back({e, fond, icone, libelle});
    }
    Surligne(-1);
    adjustSize();
    setFixedSize(std::max(sizeHint().width(), 187), sizeHint().height());
}

QLabel* MenuTray::LblMenu(EntreeMenu entree) const {
    for (const Ligne& l : lignes_) {
        if (l.entree == entree) {
            return l.libelle;
        }
    }
    return nullptr;
}

void MenuTray::Surligne(int index) {
    courante_ = index;
    for (int i = 0; i < lignes_.size(); ++i) {
        QPalette p = lignes_[i].fond->palette();
        const bool active = i == index;
        p.setColor(QPalette::Window, active ? palette().color(QPalette::Highlight) : Qt::white);
        p.setColor(QPalette::WindowText, active ? Qt::white : Qt::black);
        lignes_[i].fond->setPalette(p);
        lignes_[i].libelle->setPalette(p);
    }
}

bool MenuTray::eventFilter(QObject* objet, QEvent* evenement) {
    for (int i = 0; i < lignes_.size(); ++i) {
        const Ligne& l = lignes_[i];
        if (objet != l.fond && objet != l.icone && objet != l.libelle) {
            continue;
        }
        if (evenement->type() == QEvent::Enter || evenement->type() == QEvent::MouseMove) {
            if (courante_ != i) {
                Surligne(i);
            }
        } else if (evenement->type() == QEvent::MouseButtonRelease &&
                   static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton) {
            const EntreeMenu entree = l.entree;
            const auto choisie = choisie_;
            if (!ordinaire_) {
                close();
            }
            if (choisie) {
                choisie(entree);
            }
            return true;
        }
        break;
    }
    return QFrame::eventFilter(objet, evenement);
}

int MenuTray::LigneSous(const QPoint& position) const {
    for (int i = 0; i < lignes_.size(); ++i) {
        if (lignes_[i].fond->geometry().contains(position)) {
            return i;
        }
    }
    return -1;
}

void MenuTray::mouseMoveEvent(QMouseEvent* evenement) {
    // Moves over a line that its labels let through arrive here too: the line under the
    // mouse, or none over the frame between the lines.
    const int index = LigneSous(evenement->position().toPoint());
    if (index != courante_) {
        Surligne(index);
    }
    QFrame::mouseMoveEvent(evenement);
}

void MenuTray::closeEvent(QCloseEvent* evenement) {
    if (ordinaire_ && !fermable_) {
        evenement->ignore();
        showMinimized();
        return;
    }
    QFrame::closeEvent(evenement);
}

void MenuTray::leaveEvent(QEvent* evenement) {
    Surligne(-1);
    QFrame::leaveEvent(evenement);
}

void MenuTray::AfficheSousLeCurseur() {
    const QScreen* ecran = QGuiApplication::screenAt(QCursor::pos());
    if (ecran == nullptr) {
        ecran = QGuiApplication::primaryScreen();
    }
    if (ecran != nullptr) {
        move(PositionMenu(ecran->availableGeometry(), size()));
    }
    show();
    raise();
    // The pop-up takes the keyboard by its grab, without taking the focus from the
    // application that has it: once closed, that application still has it.
    if (ordinaire_) {
        activateWindow();
    }
}

} // namespace kovra
