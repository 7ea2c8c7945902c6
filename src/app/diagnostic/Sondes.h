#pragma once

#include "platform/Affichage.h"

#include <QString>
#include <optional>

namespace kovra {

// The parts of the desktop session the diagnosis asks about, behind one interface so that
// tests can prepare any machine.
// The keyboard the session gives Kovra: how it types and the layout that bounds it (empty:
// any character), or why there is none.
struct EtatClavier {
    QString nom;
    QString disposition;
    QString erreur;
};

class SondesSession {
public:
    virtual ~SondesSession() = default;
    // Nothing when the display cannot be opened.
    virtual std::optional<EtatAffichage> Affichage(const QString& nom) = 0;
    // Whether a name is owned on the D-Bus bus at that address; nothing when the bus cannot
    // be reached.
    virtual std::optional<bool> NomSurBus(const QString& adresse, const QString& nom) = 0;
    // The keyboard Kovra would type with here (made and let go).
    virtual EtatClavier Clavier() = 0;
};

} // namespace kovra
