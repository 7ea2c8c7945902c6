#pragma once

#include <QString>

namespace kovra {

// Whatever shows the tray icon's tooltip. The scenario loaders tell it the port number and
// the scenario just loaded; it writes the tip with what it knows of the port's state.
class InfoBulle {
public:
    virtual ~InfoBulle() = default;
    virtual void ModifieInfoBulle(int port, const QString& nomScenario) = 0;
};

// For programs without a tray icon: the text goes nowhere.
class InfoBulleMuette : public InfoBulle {
public:
    void ModifieInfoBulle(int, const QString&) override {}
};

// Tooltip of the tray icon: the port, its state ("Ouvert" when open) and the active
// scenario, cut or padded with blanks to the 64 characters of the icon's tip.
QString TexteInfoBulle(int port, const QString& nomScenario,
                       const QString& etatPort = QStringLiteral("Ouvert"));

} // namespace kovra
