#include "windows/FenetreAPropos.h"

#include "base/Version.h"
#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"

#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

namespace {

const QColor kRouge(255, 0, 0);
const QColor kBleu(0, 0, 255);

} // namespace

QString TexteVersion() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(kVersionMajeure)
        .arg(kVersionMineure)
        .arg(kVersionRevision);
}

QString OutilInfosSysteme(const QString& chemins) {
    const QStringList dossiers = chemins.split(QDir::listSeparator(), Qt::SkipEmptyParts);
    if (dossiers.isEmpty()) {
        return {};
    }
    for (const QString& outil : kOutilsInfosSysteme) {
        const QString chemin = QStandardPaths::findExecutable(outil, dossiers);
        if (!chemin.isEmpty()) {
            return chemin;
        }
    }
    return {};
}

bool StartSysInfo(const QString& chemins, const std::function<bool(const QString&)>& lance,
                  Dialogues& dialogues) {
    const QString outil = OutilInfosSysteme(chemins);
    if (!outil.isEmpty() && lance(outil)) {
        return true;
    }
    dialogues.Message(QStringLiteral("Les informations système ne sont pas disponibles "
                                     "actuellement"),
                      Icone::Information);
    return false;
}

ServicesAPropos ServicesAProposSysteme() {
    return {[](const QUrl& adresse) { return QDesktopServices::openUrl(adresse); },
            [](const QString& programme) { return QProcess::startDetached(programme, {}); },
            qEnvironmentVariable("PATH")};
}

FenetreAPropos::FenetreAPropos(Dialogues& dialogues, QWidget* parent, ServicesAPropos services)
    : QDialog(parent), dialogues_(dialogues), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("À propos de ") + QStringLiteral("KOVRA Velar") +
                   QStringLiteral(" ..."));
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));
    setMouseTracking(true);

    auto* image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(IconeKovra(QStringLiteral("kovra")).pixmap(64, 64));
    image->setAlignment(Qt::AlignTop);

    auto* titre = new QLabel(QStringLiteral("Kovra"), this);
    titre->setObjectName(QStringLiteral("lblTitle"));
    QFont grand = titre->font();
    grand.setPointSizeF(grand.pointSizeF() * 1.8);
    grand.setBold(true);
    titre->setFont(grand);

    auto* version = new QLabel(TexteVersion(), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* avertissement = new QLabel(
        QStringLiteral("Avertissement : ce logiciel est fourni tel quel, sans garantie d'aucune "
                       "sorte, expresse ou implicite. Vérifiez les données reçues des "
                       "terminaux avant de les valider dans vos applications. L'éditeur ne "
                       "saurait être tenu responsable des pertes ou dommages résultant de son "
                       "utilisation."),
        this);
    avertissement->setObjectName(QStringLiteral("lblDisclaimer"));
    avertissement->setWordWrap(true);

    lien_ = new QLabel(kAdresseEditeur, this);
    lien_->setObjectName(QStringLiteral("CmdURL"));
    lien_->setCursor(Qt::PointingHandCursor);
    lien_->setMouseTracking(true);
    QFont souligne = lien_->font();
    souligne.setUnderline(true);
    lien_->setFont(souligne);
    lien_->installEventFilter(this);
    CouleurLien(kBleu);

    auto* barre = new QToolBar(this);
    barre->setObjectName(QStringLiteral("TlbConnect"));
    barre->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* infos = barre->addAction(style()->standardIcon(QStyle::SP_ComputerIcon),
                                      QStringLiteral("Informations systéme"));
    QAction* fermer = barre->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                       QStringLiteral("Fermer"));
    connect(infos, &QAction::triggered, this, &FenetreAPropos::StartSysInfo);
    connect(fermer, &QAction::triggered, this, &QWidget::close);

    auto* textes = new QVBoxLayout;
    textes->addWidget(titre);
    textes->addWidget(version);
    textes->addSpacing(8);
    textes->addWidget(avertissement);
    textes->addSpacing(8);
    textes->addWidget(lien_, 0, Qt::AlignLeft);
    auto* haut = new QHBoxLayout;
    haut->addWidget(image, 0, Qt::AlignTop);
    haut->addLayout(textes, 1);
    auto* disposition = new QVBoxLayout(this);
    disposition->addLayout(haut);
    disposition->addStretch();
    disposition->addWidget(barre, 0, Qt::AlignRight);
    resize(460, 280);
}

void FenetreAPropos::CouleurLien(const QColor& couleur) {
    QPalette palette = lien_->palette();
    palette.setColor(QPalette::WindowText, couleur);
    lien_->setPalette(palette);
}

bool FenetreAPropos::eventFilter(QObject* objet, QEvent* evenement) {
    if (objet == lien_) {
        switch (evenement->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            CouleurLien(kRouge);
            return true;
        case QEvent::Leave:
            CouleurLien(kBleu);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton) {
                OuvreLien();
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QDialog::eventFilter(objet, evenement);
}

void FenetreAPropos::mouseMoveEvent(QMouseEvent* evenement) {
    CouleurLien(kBleu);
    QDialog::mouseMoveEvent(evenement);
}

void FenetreAPropos::OuvreLien() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ouvert = services_.ouvreLien(QUrl(lien_->text()));
    QGuiApplication::restoreOverrideCursor();
    if (!ouvert) {
        dialogues_.Message(
            QStringLiteral("L'adresse %1 n'a pas pu être ouverte.").arg(lien_->text()),
            Icone::Exclamation);
    }
}

void FenetreAPropos::StartSysInfo() {
    kovra::StartSysInfo(services_.chemins, services_.lance, dialogues_);
}

} // namespace kovra
