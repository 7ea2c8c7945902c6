#include "shell/FenetreSplash.h"

#include "dialogues/Icones.h"
#include "windows/FenetreAPropos.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace kovra {

FenetreSplash::FenetreSplash(std::function<void()> fini, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), fini_(std::move(fini)) {
    setObjectName(QStringLiteral("frmSplach"));
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QStringLiteral("#frmSplach { background: #ffffff; border: 1px solid #1f5fa8; }"));
    auto* image = new QLabel(this);
    image->setPixmap(IconeKovra(QStringLiteral("kovra")).pixmap(96, 96));
    image->setAlignment(Qt::AlignCenter);
    auto* titre = new QLabel(QStringLiteral("Kovra"), this);
    titre->setAlignment(Qt::AlignCenter);
    titre->setStyleSheet(QStringLiteral("font-size: 22pt; font-weight: bold; color: #1f5fa8;"));
    lblVersion = new QLabel(TexteVersion(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);
    Lblchargement = new QLabel(QStringLiteral("Chargement en cours ..."), this);
    Lblchargement->setObjectName(QStringLiteral("Lblchargement"));
    Lblchargement->setAlignment(Qt::AlignCenter);
    auto* disposition = new QVBoxLayout(this);
    disposition->setContentsMargins(40, 24, 40, 24);
    disposition->addWidget(image);
    disposition->addWidget(titre);
    disposition->addWidget(lblVersion);
    disposition->addSpacing(12);
    disposition->addWidget(Lblchargement);
    resize(360, 260);
    if (const QScreen* ecran = QGuiApplication::primaryScreen()) {
        move(ecran->availableGeometry().center() - rect().center());
    }

    TimeSplach.setSingleShot(true);
    TimeSplach.setInterval(kDuree);
    connect(&TimeSplach, &QTimer::timeout, this, [this] {
        const auto suite = fini_;
        close();
        if (suite) {
            suite();
        }
    });
    TimeSplach.start();
}

} // namespace kovra
