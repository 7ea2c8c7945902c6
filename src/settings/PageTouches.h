#pragma once

#include "edition/NomsTouches.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QLabel;
class QLineEdit;
class QToolBar;

namespace kovra {

// A key names page of the settings window: one text box per key of a group, each beside
// the key's fixed label, and a toolbar with "Valider" (1) and "Fermer" (2). The special
// keys page has the boxes keys0 to keys14, the labels LblTouche0 to LblTouche14 and the
// toolbar TlbPart; the system keys page has systemKey0 to systemKey22, Labelsysteme0 to
// Labelsysteme22 and TlbSys. The page only shows and gives back the names: the window
// reads and stores them (LitNomsTouches, RefusNomsTouches, EcritNomsTouches).
class PageTouches : public QWidget {
    Q_OBJECT
public:
    explicit PageTouches(GenreTouches genre, QWidget* parent = nullptr);

    GenreTouches Genre() const { return genre_; }
    // The section, first slot number and labels of the page's keys.
    const GroupeTouches& Touches() const { return groupe_; }
    // The page's tab text: "&Touches particuliéres" or "Touches &systémes".
    QString Titre() const;

    // The box texts, as typed, in key order.
    QStringList Noms() const;
    // Puts the names into the boxes in key order; boxes without a name are emptied.
    void Remplit(const QStringList& noms);
    // Box i, from 0.
    QLineEdit* Case(int i) const { return cases_.at(static_cast<std::size_t>(i)); }

signals:
    // Button 1, "Valider".
    void valide();
    // Button 2, "Fermer".
    void ferme();

private:
    GenreTouches genre_;
    GroupeTouches groupe_;
    std::vector<QLineEdit*> cases_;
    QToolBar* barre_;
};

} // namespace kovra
