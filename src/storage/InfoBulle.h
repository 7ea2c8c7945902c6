#pragma once

#include <QString>

namespace kovra {

// Whatever shows the tray icon's tooltip. The scenario loaders hand it the new text.
class InfoBulle {
public:
    virtual ~InfoBulle() = default;
    virtual void ModifieInfoBulle(const QString& texte) = 0;
};

// For programs without a tray icon: the text goes nowhere.
class InfoBulleMuette : public InfoBulle {
public:
    void ModifieInfoBulle(const QString&) override {}
};

// Tooltip of the tray icon: the port and the active scenario, cut or padded with blanks
// to the 64 characters of the icon's tip.
QString TexteInfoBulle(int port, const QString& nomScenario);

} // namespace kovra
