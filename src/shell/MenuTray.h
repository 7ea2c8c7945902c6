#pragma once

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <functional>

namespace kovra {

// The entries of the tray menu, by the index they have always had.
enum class EntreeMenu {
    Parametrage = 0,
    Kovra = 1,
    Transfert = 2,
    Commande = 3,
    Quitter = 4,
    Fichier = 5,
};

// The caption of an entry, exactly as the menu shows it.
QString LibelleEntree(EntreeMenu entree);
// The entries from top to bottom; "Commande" only when an order scenario is named.
QList<EntreeMenu> EntreesMenu(bool avecCommande);

// Where the menu window goes: its bottom edge on the bottom of the work area (the screen
// without its panels), its right edge 20 pixels left of the work area's right edge.
QPoint PositionMenu(const QRect& zoneTravail, const QSize& taille);

// frmIn, the menu window of the tray icon: one line per entry, an icon and its caption, the
// line under the mouse highlighted. A click on a line calls `choisie` after the window has
// closed. As a pop-up it closes when it loses the focus or the user clicks elsewhere. On a
// desktop without a notification area it is an ordinary small window instead, the only
// way to reach the program: it stays open after a choice, and closing it minimises it.
class MenuTray : public QFrame {
public:
    MenuTray(bool avecCommande, bool fenetreOrdinaire, std::function<void(EntreeMenu)> choisie,
             QWidget* parent = nullptr);

    // Shows the menu at the bottom right of the screen the cursor is on.
    void AfficheSousLeCurseur();

    // The line of an entry (its caption).
    QLabel* LblMenu(EntreeMenu entree) const;
    // The entry highlighted, -1 for none.
    int EntreeCourante() const { return courante_; }
    // Lets the ordinary window close for good (the program quits).
    void PermetFermeture() { fermable_ = true; }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void leaveEvent(QEvent* evenement) override;
    void mouseMoveEvent(QMouseEvent* evenement) override;
    void closeEvent(QCloseEvent* evenement) override;

private:
    struct Ligne {
        EntreeMenu entree;
        QWidget* fond;
        QLabel* icone;
        QLabel* libelle;
    };
    void Surligne(int index);
    // The line at a point of the window, -1 for none.
    int LigneSous(const QPoint& position) const;

    std::function<void(EntreeMenu)> choisie_;
    bool ordinaire_;
    bool fermable_ = false;
    QList<Ligne> lignes_;
    int courante_ = -1;
};

} // namespace kovra
