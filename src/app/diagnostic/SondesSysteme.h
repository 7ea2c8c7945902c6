#pragma once

#include "app/diagnostic/Sondes.h"

namespace kovra {

// The real session: the X server through Xlib, the bus through Qt D-Bus.
class SondesSysteme : public SondesSession {
public:
    std::optional<EtatAffichage> Affichage(const QString& nom) override;
    std::optional<bool> NomSurBus(const QString& adresse, const QString& nom) override;
    EtatClavier Clavier() override;
};

} // namespace kovra
