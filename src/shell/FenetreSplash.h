#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kovra {

// The start-up window, frmSplach: the logo, the version and "Chargement en cours ...",
// shown while the program loads; after 2300 ms it closes and `fini` is called.
class FenetreSplash : public QWidget {
public:
    explicit FenetreSplash(std::function<void()> fini, QWidget* parent = nullptr);

    static constexpr int kDuree = 2300;

    QLabel* lblVersion;
    QLabel* Lblchargement;
    QTimer TimeSplach;

private:
    std::function<void()> fini_;
};

} // namespace kovra
