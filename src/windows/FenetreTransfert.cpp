#include "windows/FenetreTransfert.h"

#include "app/NoyauKovra.h"
#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"

#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace kovra {

namespace {

const QString kFiltreTransfert =
    QStringLiteral("Fichier texte (*.txt *.TXT);;Tous les fichiers (*)");

QPushButton* Bouton(const QString& texte, const QString& nom, QWidget* parent) {
    auto* b = new QPushButton(texte, parent);
    b->setObjectName(nom);
    return b;
}

} // namespace

FenetreTransfert::FenetreTransfert(ServicesTransfert services, QWidget* parent)
    : QWidget(parent, Qt::Window), s_(std::move(services)) {
    setObjectName(QStringLiteral("frmTransfert"));
    setWindowTitle(QStringLiteral("Communication HT630"));
    setWindowIcon(IconeKovra(QStringLiteral("menu-transfert")));

    LblVersion = new QLabel(QStringLiteral("DLL Version: "), this);
    LblErreurBibliotheque = new QLabel(this);
    LblErreurBibliotheque->setWordWrap(true);
    LblErreurBibliotheque->setStyleSheet(QStringLiteral("color: #b00000"));
    LblErreurBibliotheque->hide();

    auto* reglages = new QGroupBox(this);
    auto* grille = new QGridLayout(reglages);
    const auto ligne = [&](int rang, const QString& libelle, QLineEdit*& boite,
                           QPushButton*& bouton, const QString& nom) {
        boite = new QLineEdit(reglages);
        boite->setObjectName(QStringLiteral("Txt") + nom);
        bouton = Bouton(QStringLiteral("Set"), QStringLiteral("CmdSet") + nom, reglages);
        auto* l = new QLabel(libelle, reglages);
        l->setBuddy(boite);
        grille->addWidget(l, rang, 0);
        grille->addWidget(boite, rang, 1);
        grille->addWidget(bouton, rang, 2);
    };
    ligne(0, QStringLiteral("ESC Delay"), TxtEsc, CmdSetEsc, QStringLiteral("Esc"));
    ligne(1, QStringLiteral("NAK Delay"), TxtNak, CmdSetNak, QStringLiteral("Nak"));
    ligne(2, QStringLiteral("Time out"), TxtTimeOut, CmdSetTimeOut, QStringLiteral("TimeOut"));

    cmdOpenCom = Bouton(QStringLiteral("Open COM1"), QStringLiteral("cmdOpenCom"), this);
    cmdUpload = Bouton(QStringLiteral("Upload file"), QStringLiteral("cmdUpload"), this);
    cmdDownload = Bouton(QStringLiteral("Download file"), QStringLiteral("cmdDownload"), this);
    cmdCreateTestfile =
        Bouton(QStringLiteral("Create testfile"), QStringLiteral("cmdCreateTestfile"), this);
    CmdStop = Bouton(QStringLiteral("Stop"), QStringLiteral("CmdStop"), this);
    auto* transferts = new QGridLayout;
    transferts->addWidget(new QLabel(QStringLiteral("PT600  --->  PC"), this), 0, 0,
                          Qt::AlignHCenter);
    transferts->addWidget(new QLabel(QStringLiteral("PC ---> PT600"), this), 0, 1,
                          Qt::AlignHCenter);
    transferts->addWidget(cmdUpload, 1, 0);
    transferts->addWidget(cmdDownload, 1, 1);

    LblBytes = new QLabel(QStringLiteral("Bytes: "), this);
    LblPackets = new QLabel(QStringLiteral("Packets: "), this);
    PrgB = new QProgressBar(this);
    PrgB->setObjectName(QStringLiteral("PrgB"));
    auto* progression = new QHBoxLayout;
    progression->addWidget(LblBytes);
    progression->addWidget(LblPackets);
    auto* barre = new QHBoxLayout;
    barre->addWidget(PrgB, 1);
    barre->addWidget(CmdStop);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(LblVersion);
    disposition->addWidget(LblErreurBibliotheque);
    disposition->addWidget(reglages);
    disposition->addWidget(cmdOpenCom);
    disposition->addLayout(transferts);
    disposition->addWidget(cmdCreateTestfile);
    disposition->addLayout(progression);
    disposition->addLayout(barre);
    disposition->addStretch();
    for (QWidget* w : std::initializer_list<QWidget*>{PrgB, LblBytes, LblPackets, CmdStop}) {
        w->hide();
    }

    connect(cmdOpenCom, &QPushButton::clicked, this, &FenetreTransfert::OuvrePort);
    connect(cmdUpload, &QPushButton::clicked, this, &FenetreTransfert::Upload);
    connect(cmdDownload, &QPushButton::clicked, this, &FenetreTransfert::Download);
    connect(CmdSetEsc, &QPushButton::clicked, this, &FenetreTransfert::RegleEsc);
    connect(CmdSetNak, &QPushButton::clicked, this, &FenetreTransfert::RegleNak);
    connect(CmdSetTimeOut, &QPushButton::clicked, this, &FenetreTransfert::RegleTimeOut);
    connect(cmdCreateTestfile, &QPushButton::clicked, this, &FenetreTransfert::CreeFichierTest);
    connect(CmdStop, &QPushButton::clicked, this, &FenetreTransfert::Arrete);
    paquets_.setSingleShot(true);
    paquets_.setInterval(0);
    connect(&paquets_, &QTimer::timeout, this, &FenetreTransfert::PaquetSuivant);

    ChargementMultidll charge =
        s_.charge ? s_.charge() : ChargeMultidll(QString(), s_.noyau.Env().DossierDonnees);
    bibliotheque_ = std::move(charge.bibliotheque);
    if (bibliotheque_ == nullptr) {
        LblErreurBibliotheque->setText(charge.erreur);
        LblErreurBibliotheque->show();
    }
    AfficheParametres();
    MetAJourBoutons();
}

FenetreTransfert::~FenetreTransfert() {
    Termine(false);
}

void FenetreTransfert::closeEvent(QCloseEvent* evenement) {
    Termine(true);
    evenement->accept();
}

void FenetreTransfert::Termine(bool rendrePort) {
    if (termine_) {
        return;
    }
    termine_ = true;
    paquets_.stop();
    if (transfert_ != nullptr) {
        transfert_->Arrete();
        transfert_.reset();
    }
    if (bibliotheque_ != nullptr) {
        bibliotheque_->CloseCommPort(kPortMultidll);
    }
    if (portPrete_) {
        portPrete_ = false;
        s_.noyau.RendPortTransfert(rendrePort);
    }
}

void FenetreTransfert::AfficheParametres() {
    if (bibliotheque_ == nullptr) {
        return;
    }
    LblVersion->setText(QStringLiteral("DLL Version: ") +
                        QString::number(bibliotheque_->Version()));
    TxtTimeOut->setText(QString::number(bibliotheque_->GetTimeOut()));
    TxtNak->setText(QString::number(bibliotheque_->GetNakDelay()));
    TxtEsc->setText(QString::number(bibliotheque_->GetEscDelay()));
    update();
}

void FenetreTransfert::AfficheProgression(const AvancementTransfert& a) {
    LblBytes->setText(QStringLiteral("Bytes: ") + QString::number(a.octets));
    LblPackets->setText(QStringLiteral("Packets: ") + QString::number(a.paquets));
    PrgB->setMaximum(std::max(a.total, 0));
    PrgB->setValue(std::clamp(a.octets, 0, std::max(a.total, 0)));
}

void FenetreTransfert::MetAJourBoutons() {
    const bool pret = bibliotheque_ != nullptr && transfert_ == nullptr;
    for (QPushButton* b :
         {cmdOpenCom, cmdUpload, cmdDownload, CmdSetEsc, CmdSetNak, CmdSetTimeOut}) {
        b->setEnabled(pret);
    }
    cmdCreateTestfile->setEnabled(transfert_ == nullptr);
    CmdStop->setVisible(transfert_ != nullptr);
}

void FenetreTransfert::OuvrePort() {
    if (bibliotheque_ == nullptr || transfert_ != nullptr) {
        return;
    }
    const auto ouvre = [this] {
        const ParametresPortMultidll p;
        bibliotheque_->OpenCommPort(kPortMultidll, p.baud, p.dataBits, p.parity, p.stopBits);
    };
    if (!portPrete_) {
        // Both must never read the same line: reception lets go of the device first, and
        // does not take it back while the library's port is open.
        portPrete_ = true;
        cmdOpenCom->setEnabled(false);
        QPointer<FenetreTransfert> fenetre(this);
        s_.noyau.PretePortTransfert([fenetre, ouvre] {
            if (!fenetre.isNull() && !fenetre->termine_) {
                ouvre();
                fenetre->MetAJourBoutons();
            }
        });
        return;
    }
    ouvre();
}

void FenetreTransfert::Upload() {
    if (bibliotheque_ == nullptr || transfert_ != nullptr) {
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{PrgB, LblBytes, LblPackets}) {
        w->show();
    }
    const QString pc = QDir(s_.noyau.Env().DossierDonnees).filePath(kFichierPcUpload);
    Lance(std::make_unique<Transfert>(*bibliotheque_, Transfert::Sens::VersPc,
                                      kFichierTerminalUpload, pc,
                                      [this](const QString& m) { messages_ << m; }),
          false);
}

void FenetreTransfert::Download() {
    if (bibliotheque_ == nullptr || transfert_ != nullptr) {
        return;
    }
    PrgB->show();
    const std::optional<QString> pc = s_.dialogues.ChoixFichier(
        QStringLiteral("Download file"), QDir::tempPath(), kFiltreTransfert, false);
    if (!pc || pc->isEmpty()) {
        PrgB->hide();
        return;
    }
    Lance(std::make_unique<Transfert>(*bibliotheque_, Transfert::Sens::VersTerminal,
                                      kFichierTerminalDownload, *pc,
                                      [this](const QString& m) { messages_ << m; }),
          true);
}

void FenetreTransfert::Lance(std::unique_ptr<Transfert> transfert, bool cacherApres) {
    messages_.clear();
    cacherApres_ = cacherApres;
    transfert_ = std::move(transfert);
    MetAJourBoutons();
    const bool paquets = transfert_->Demarre();
    MontreMessages();
    if (transfert_ == nullptr) {
        return; // the window closed meanwhile
    }
    if (paquets) {
        paquets_.start();
    } else {
        FinTransfert();
    }
}

void FenetreTransfert::PaquetSuivant() {
    if (transfert_ == nullptr) {
        return;
    }
    const bool encore = transfert_->Etape();
    AfficheProgression(transfert_->Avancement());
    // Shown between two packets: no packet moves while a message waits for its OK.
    MontreMessages();
    if (transfert_ == nullptr) {
        return;
    }
    if (encore) {
        paquets_.start();
    } else {
        FinTransfert();
    }
}

void FenetreTransfert::Arrete() {
    if (transfert_ == nullptr) {
        return;
    }
    paquets_.stop();
    transfert_->Arrete();
    MontreMessages();
    if (transfert_ != nullptr) {
        FinTransfert();
    }
}

void FenetreTransfert::FinTransfert() {
    const bool reussi = transfert_->Reussi();
    transfert_.reset();
    if (cacherApres_) {
        for (QWidget* w : std::initializer_list<QWidget*>{PrgB, LblBytes, LblPackets}) {
            w->hide();
        }
    }
    MetAJourBoutons();
    emit transfertTermine(reussi);
}

void FenetreTransfert::MontreMessages() {
    while (!messages_.isEmpty() && !termine_) {
        s_.dialogues.Message(messages_.takeFirst(), Icone::Aucune, kTitreApplication);
    }
}

void FenetreTransfert::Regle(QLineEdit* boite, int32_t (BibliothequeMultidll::*regle)(int32_t)) {
    if (bibliotheque_ == nullptr || transfert_ != nullptr) {
        return;
    }
    const std::optional<int32_t> valeur = ValeurReglage(boite->text());
    if (!valeur) {
        s_.dialogues.Message(QStringLiteral("La valeur doit être un nombre entier de %1 à %2.")
                                 .arg(std::numeric_limits<int32_t>::min())
                                 .arg(std::numeric_limits<int32_t>::max()),
                             Icone::Exclamation, kTitreApplication);
        return;
    }
    (bibliotheque_.get()->*regle)(*valeur);
    AfficheParametres();
}

void FenetreTransfert::RegleEsc() {
    Regle(TxtEsc, &BibliothequeMultidll::SetEscDelay);
}

void FenetreTransfert::RegleNak() {
    Regle(TxtNak, &BibliothequeMultidll::SetNakDelay);
}

void FenetreTransfert::RegleTimeOut() {
    Regle(TxtTimeOut, &BibliothequeMultidll::SetTimeOut);
}

void FenetreTransfert::CreeFichierTest() {
    if (transfert_ != nullptr) {
        return;
    }
    PrgB->show();
    PrgB->setMaximum(kEnregistrementsTest);
    PrgB->setValue(0);
    try {
        EcritFichierTest(QDir(s_.noyau.Env().DossierDonnees).filePath(kFichierTestPc),
                         [this](int n) {
                             PrgB->setValue(n);
                             PrgB->repaint();
                         });
    } catch (const ErreurKovra& e) {
        s_.dialogues.Message(e.Message(), Icone::Exclamation, kTitreApplication);
    }
    PrgB->hide();
}

} // namespace kovra
