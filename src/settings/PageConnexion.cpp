#include "settings/PageConnexion.h"

#include "dialogues/Icones.h"
#include "settings/BarreValider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

namespace {

constexpr int kDelaiMax = 1000;

QLabel* ImagePort(const QString& nom, const QString& icone, const QString& bulle, QWidget* parent) {
    auto* image = new QLabel(parent);
    image->setObjectName(nom);
    image->setPixmap(IconeKovra(icone).pixmap(48, 48));
    image->setToolTip(bulle);
    image->setCursor(Qt::PointingHandCursor);
    return image;
}

} // namespace

PageConnexion::PageConnexion(QWidget* parent) : QWidget(parent) {
    auto* choix = new QGroupBox(this);
    CboChoix = new QComboBox(choix);
    CboChoix->setObjectName(QStringLiteral("CboChoix"));
    CboChoix->setMinimumContentsLength(24);
    txtSep = new QLineEdit(choix);
    txtSep->setObjectName(QStringLiteral("txtSep"));
    txtSep->setMaximumWidth(40);
    txtDelai = new QSpinBox(choix);
    txtDelai->setObjectName(QStringLiteral("txtDelai"));
    txtDelai->setRange(0, kDelaiMax);
    txtDelai->setSingleStep(10);
    txtDelai->setToolTip(QStringLiteral("0 : les touches sont tapées à pleine vitesse. Une "
                                        "pause aide les applications lentes (web, bureau à "
                                        "distance) qui perdent des touches."));
    chkChampsTouches = new QCheckBox(
        QStringLiteral("Les données du terminal sont des commandes de touches"), choix);
    chkChampsTouches->setObjectName(QStringLiteral("chkChampsTouches"));
    chkChampsTouches->setToolTip(
        QStringLiteral("Décoché : chaque champ reçu est tapé tel quel (un code-barres "
                       "« A1%8+(x)~ » arrive « A1%8+(x)~ »). Coché : ~ tape Entrée, + Maj, "
                       "% Alt, ^ Ctrl, {F5} la touche F5… À cocher seulement si vos terminaux "
                       "envoient exprès de telles commandes."));
    auto* formulaire = new QFormLayout(choix);
    formulaire->addRow(QStringLiteral("Scénario choisi :"), CboChoix);
    formulaire->addRow(QStringLiteral("Séparateur décimal :"), txtSep);
    formulaire->addRow(QStringLiteral("Délai entre touches (ms) :"), txtDelai);
    formulaire->addRow(chkChampsTouches);

    images = new QStackedWidget(this);
    images->setObjectName(QStringLiteral("imgPort"));
    imgConnected = ImagePort(QStringLiteral("imgConnected"), QStringLiteral("port-ouvert"),
                             QStringLiteral("Port Ouvert"), images);
    ImgNotConnected = ImagePort(QStringLiteral("ImgNotConnected"), QStringLiteral("port-ferme"),
                                QStringLiteral("Port Fermé"), images);
    images->addWidget(imgConnected);
    images->addWidget(ImgNotConnected);
    images->setFixedSize(52, 52);
    imgConnected->installEventFilter(this);
    ImgNotConnected->installEventFilter(this);

    CmdTransfert = new QPushButton(QStringLiteral("HT630"), this);
    CmdTransfert->setObjectName(QStringLiteral("CmdTransfert"));
    CmdTransfert->setToolTip(QStringLiteral("Transfert de fichiers avec le terminal"));

    lblEtatPort = new QLabel(this);
    lblEtatPort->setObjectName(QStringLiteral("lblEtatPort"));
    lblEtatPort->setWordWrap(true);

    auto* port = new QHBoxLayout;
    port->addWidget(images);
    port->addWidget(lblEtatPort);
    port->addStretch();
    port->addWidget(CmdTransfert);

    TlbConnect = BarreValiderFermer(this, QStringLiteral("TlbConnect"));

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(choix);
    disposition->addLayout(port);
    disposition->addStretch();
    disposition->addWidget(TlbConnect, 0, Qt::AlignRight);
}

void PageConnexion::MontrePort(bool ouvert, const QString& pourquoi) {
    images->setCurrentWidget(ouvert ? imgConnected : ImgNotConnected);
    if (!pourquoi.isEmpty()) {
        lblEtatPort->setText(pourquoi);
        return;
    }
    lblEtatPort->setText(ouvert
                             ? QStringLiteral("Port ouvert : cliquez sur l'image pour le fermer.")
                             : QStringLiteral("Port fermé : cliquez sur l'image pour l'ouvrir."));
}

void PageConnexion::RemplitChoix(const QStringList& noms, const QString& choisi) {
    CboChoix->clear();
    CboChoix->addItems(noms);
    const int ligne = CboChoix->findText(choisi);
    CboChoix->setCurrentIndex(ligne);
    // A chosen scenario missing from the table is still shown for what it is.
    CboChoix->setPlaceholderText(ligne < 0 ? choisi : QString());
}

bool PageConnexion::eventFilter(QObject* objet, QEvent* evenement) {
    if (evenement->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(evenement)->button() == Qt::LeftButton) {
        if (objet == imgConnected || objet == ImgNotConnected) {
            emit imageCliquee(objet == imgConnected);
            return true;
        }
    }
    return QWidget::eventFilter(objet, evenement);
}

} // namespace kovra
