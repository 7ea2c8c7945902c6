#pragma once

#include "app/NoyauKovra.h"
#include "base/Progression.h"

#include <QPointer>
#include <QString>
#include <memory>

namespace kovra {

class Dialogues;
class FenetreAPropos;
class FenetreParametrage;
struct ServicesParametrage;
class FenetreImport;
class FenetreProgression;
class FenetreTransfert;

// The windows the menu opens (about box, import window, settings and the transfer window
// they open) and the progress window, each
// made when first needed and brought forward, not duplicated, when asked for again.
class FenetresOutils {
public:
    FenetresOutils();
    ~FenetresOutils();
    FenetresOutils(const FenetresOutils&) = delete;
    FenetresOutils& operator=(const FenetresOutils&) = delete;

    // The progress window, which the core and the imports report to.
    Progression& Avancement();
    void OuvreAPropos(Dialogues& dialogues);
    void OuvreImport(NoyauKovra& noyau, Dialogues& dialogues);
    // Imports a file with ";" between its fields, without showing the import window.
    void Importe(NoyauKovra& noyau, Dialogues& dialogues, const QString& fichier);
    // The settings window, one at a time.
    void OuvreParametrage(const ServicesParametrage& services);
    // The terminal file transfer window, one at a time.
    void OuvreTransfert(NoyauKovra& noyau, Dialogues& dialogues);
    // Closes every window that uses the core, before the core goes.
    void FermeFenetres();

private:
    std::unique_ptr<FenetreProgression> progression_;
    QPointer<FenetreAPropos> aPropos_;
    QPointer<FenetreImport> import_;
    QPointer<FenetreParametrage> parametrage_;
    QPointer<FenetreTransfert> transfert_;
    QList<QPointer<FenetreImport>> importsSansFenetre_;
};

} // namespace kovra
