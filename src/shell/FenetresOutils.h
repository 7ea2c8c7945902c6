#pragma once

#include "app/NoyauKovra.h"
#include "base/Progression.h"

#include <QPointer>
#include <QString>
#include <memory>

namespace kovra {

class Dialogues;

// The windows the menu opens (about box, import window) and the progress window, each
// made when first needed and shown again, not duplicated, when asked for twice.
class FenetresOutils {
public:
    FenetresOutils();
    ~FenetresOutils();
    FenetresOutils(const FenetresOutils&) = delete;
    FenetresOutils& operator=(const FenetresOutils&) = delete;

    Progression& Avancement();
    void OuvreAPropos(Dialogues& dialogues);
    void OuvreImport(NoyauKovra& noyau, Dialogues& dialogues);
    // Imports a file with ";" between its fields, without the import window.
    void Importe(NoyauKovra& noyau, Dialogues& dialogues, const QString& fichier);

private:
    ProgressionMuette progression_;
};

} // namespace kovra
