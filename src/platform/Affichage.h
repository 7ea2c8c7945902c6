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

namespace plateforme {

// Asks the X server of that display; nothing when it cannot be reached, or when this build
// has no X11.
std::optional<EtatAffichage> SondeAffichageX11(const QString& nom);

} // namespace plateforme

} // namespace kovra
