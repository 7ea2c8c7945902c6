#pragma once

#include <QString>
#include <QStringView>
#include <vector>

namespace kovra {

// The frame being processed, cut into fields, and what processing keeps from frame to
// frame. The field table has no fixed size: every field of a frame is kept.
struct EtatTraitement {
    // The frame without its line feeds and carriage returns; field k is the run of it
    // that ends at ChampsTrame[k] and starts where field k - 1 ends. Slot NbChamps holds
    // what follows the last carriage return.
    QString TexteChamps;
    std::vector<qsizetype> ChampsTrame;
    qsizetype IndexChamp = 0; // the slot the split ended in
    qsizetype NbChamps = 0;   // fields ended by a carriage return
    QString ValeurCompteur;   // counter value of the current frame
    qint16 PauseTimer = 0;    // milliseconds to wait at each "{TIMER}" mark

    // Field k of the current frame; empty beyond the last slot.
    QStringView Champ(qsizetype k) const {
        if (k < 0 || k >= static_cast<qsizetype>(ChampsTrame.size())) {
            return {};
        }
        const qsizetype debut = k == 0 ? 0 : ChampsTrame[k - 1];
        return QStringView(TexteChamps).mid(debut, ChampsTrame[k] - debut);
    }
};

} // namespace kovra
