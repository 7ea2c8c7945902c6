#pragma once

#include "base/Progression.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace kovra {

// frmProgress: the small window that shows how far long work is, a caption (Label1) and
// a bar from 0 to 100 (ProgressBar1). It comes up, without taking the focus from the
// window the keys go to, as soon as a caption or a value is reported, with the bar at 0,
// and goes away when the work is over. Values reported in a burst are shown once the event
// loop turns: nothing here paints on the spot.
class FenetreProgression : public QWidget, public Progression {
    Q_OBJECT
public:
    explicit FenetreProgression(QWidget* parent = nullptr);

    void Libelle(const QString& texte) override;
    void Valeur(int pourcent) override;
    void Termine() override;

    QLabel* Label1() const { return libelle_; }
    QProgressBar* ProgressBar1() const { return barre_; }

private:
    void Montre();

    QLabel* libelle_;
    QProgressBar* barre_;
    QTimer miseAJour_;
    int valeur_ = 0;
};

} // namespace kovra
