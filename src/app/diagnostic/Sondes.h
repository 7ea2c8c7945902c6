#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace kovra {

// What an X server says of itself that matters to Kovra.
struct EtatAffichage {
    bool xtest = false; // the extension that lets Kovra type
    // The keyboard description the server publishes (rules, model, layout, variant,
    // options); empty when it publishes none.
    QStringList clavier;
    bool zoneNotification = false; // a window holds the notification area of the screen
};

// The parts of the desktop session the diagnosis asks about, behind one interface so that
// tests can prepare any machine.
class SondesSession {
public:
    virtual ~SondesSession() = default;
    // Nothing when the display cannot be opened.
    virtual std::optional<EtatAffichage> Affichage(const QString& nom) = 0;
    // Whether a name is owned on the D-Bus bus at that address; nothing when the bus cannot
    // be reached.
    virtual std::optional<bool> NomSurBus(const QString& adresse, const QString& nom) = 0;
};

} // namespace kovra
