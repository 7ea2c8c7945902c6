#include "inventory/FenetreInventaire.h"

#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "inventory/DossierTallyra.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra::tallyra {

// The import's reports, shown in the window.
class FenetreInventaire::Suivi : public SuiviImport {
public:
    explicit Suivi(FenetreInventaire& f) : f_(f) {}
    void Etat(const QString& texte) override { f_.LblMessages->setText(texte); }
    void Progression(int pourcent) override { f_.ProgressBar1->setValue(pourcent); }
    void Message(const QString& texte, Icone icone) override {
        f_.dialogues_.Message(texte, icone, kTitreTallyra);
    }
    void Bip() override { QApplication::beep(); }

private:
    FenetreInventaire& f_;
};

namespace {

const QString kInfoOuvrir = QStringLiteral("Ouvrir un fichier Inventaire");

QToolBar* BarreOuvrir(QWidget* parent, const QString& nom) {
    auto* barre = new QToolBar(parent);
    barre->setObjectName(nom);
    QAction* a =
        barre->addAction(parent->style()->standardIcon(QStyle::SP_DirOpenIcon), kInfoOuvrir);
    a->setToolTip(kInfoOuvrir);
    return barre;
}

QLabel* Chemin(QWidget* parent, const QString& nom) {
    auto* l = new QLabel(parent);
    l->setObjectName(nom);
    l->setFrameShape(QFrame::StyledPanel);
    l->setMinimumWidth(320);
    l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

} // namespace

FenetreInventaire::FenetreInventaire(QString dossier, Dialogues& dialogues,
                                     FabriqueServeur fabrique, QWidget* parent)
    : QMainWindow(parent), dossier_(std::move(dossier)), dialogues_(dialogues),
      fabrique_(std::move(fabrique)), suivi_(std::make_unique<Suivi>(*this)) {
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("Inventaire Ostrak"));

    QMenu* mnuparam = menuBar()->addMenu(QStringLiteral("&Parametres"));
    mnuparam->setObjectName(QStringLiteral("mnuparam"));
    mnuexpert = mnuparam->addAction(QStringLiteral("Ledgra &Expert"));
    mnuhuit = mnuparam->addAction(QStringLiteral("Ledgra &8"));
    for (QAction* a : {mnuexpert, mnuhuit}) {
        a->setCheckable(true);
    }
    connect(mnuexpert, &QAction::triggered, this, &FenetreInventaire::ChoisitExpert);
    connect(mnuhuit, &QAction::triggered, this, &FenetreInventaire::ChoisitHuit);

    auto* centre = new QWidget(this);
    auto* grille = new QGridLayout;
    Txtsociete = new QLineEdit(centre);
    Txtsociete->setObjectName(QStringLiteral("Txtsociete"));
    Txtdepot = new QLineEdit(centre);
    Txtdepot->setObjectName(QStringLiteral("Txtdepot"));
    lblchemin = Chemin(centre, QStringLiteral("lblchemin"));
    lblLedgra = Chemin(centre, QStringLiteral("lblLedgra"));
    TlbFichier = BarreOuvrir(centre, QStringLiteral("TlbFichier"));
    TblLedgra = BarreOuvrir(centre, QStringLiteral("TblLedgra"));
    const auto libelle = [&](const QString& texte, QWidget* pour) {
        auto* l = new QLabel(texte, centre);
        l->setBuddy(pour);
        return l;
    };
    grille->addWidget(libelle(QStringLiteral("Société :"), Txtsociete), 0, 0);
    grille->addWidget(Txtsociete, 0, 1);
    grille->addWidget(libelle(QStringLiteral("Code Dépôt :"), Txtdepot), 1, 0);
    grille->addWidget(Txtdepot, 1, 1);
    grille->addWidget(libelle(QStringLiteral("Fichier :"), lblchemin), 2, 0);
    grille->addWidget(lblchemin, 2, 1);
    grille->addWidget(TlbFichier, 2, 2);
    grille->addWidget(libelle(QStringLiteral("Ledgra :"), lblLedgra), 3, 0);
    grille->addWidget(lblLedgra, 3, 1);
    grille->addWidget(TblLedgra, 3, 2);

    LblMessages = new QLabel(centre);
    LblMessages->setObjectName(QStringLiteral("LblMessages"));
    ProgressBar1 = new QProgressBar(centre);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->hide();
    CmdDefaut = new QPushButton(QStringLiteral("Définir par défaut"), centre);
    CmdDefaut->setObjectName(QStringLiteral("CmdDefaut"));
    TlbPrpp = new QToolBar(centre);
    TlbPrpp->setObjectName(QStringLiteral("TlbPrpp"));
    TlbPrpp->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* valider = TlbPrpp->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                          QStringLiteral("Valider"));
    QAction* fermer = TlbPrpp->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                         QStringLiteral("Fermer"));
    auto* bas = new QHBoxLayout;
    bas->addWidget(CmdDefaut);
    bas->addStretch();
    bas->addWidget(TlbPrpp);

    auto* disposition = new QVBoxLayout(centre);
    disposition->addLayout(grille);
    disposition->addWidget(LblMessages);
    disposition->addWidget(ProgressBar1);
    disposition->addStretch();
    disposition->addLayout(bas);
    setCentralWidget(centre);

    connect(TlbFichier->actions()[0], &QAction::triggered, this,
            &FenetreInventaire::ChoisitFichier);
    connect(TblLedgra->actions()[0], &QAction::triggered, this, &FenetreInventaire::ChoisitBase);
    connect(CmdDefaut, &QPushButton::clicked, this, &FenetreInventaire::EnregistreParametres);
    connect(valider, &QAction::triggered, this, &FenetreInventaire::Valide);
    connect(fermer, &QAction::triggered, this, &QWidget::close);

    const ParametresTallyra p = LitParametres(dossier_);
    Txtsociete->setText(p.Societe);
    Txtdepot->setText(p.Depot);
    lblLedgra->setText(p.LedgraPath);
    edition_ = p.edition;
    MontreEdition();
    valider->setEnabled(false); // until an inventory file is chosen
}

FenetreInventaire::~FenetreInventaire() {
    delete import_.data();
}

void FenetreInventaire::MontreEdition() {
    mnuexpert->setChecked(edition_.expertCoche);
    mnuhuit->setChecked(edition_.huitCoche);
}

void FenetreInventaire::ChoisitExpert() {
    edition_ = tallyra::ChoisitExpert(edition_);
    MontreEdition();
}

void FenetreInventaire::ChoisitHuit() {
    edition_ = tallyra::ChoisitHuit(edition_);
    MontreEdition();
}

void FenetreInventaire::ChoisitFichier() {
    const QString depart =
        lblchemin->text().isEmpty() ? QDir::homePath() : QFileInfo(lblchemin->text()).path();
    const std::optional<QString> choix = dialogues_.ChoixFichier(
        kInfoOuvrir, depart, QStringLiteral("Tous les fichiers (*)"), false);
    if (!choix || choix->isEmpty()) {
        return;
    }
    lblchemin->setText(*choix);
    TlbPrpp->actions()[0]->setEnabled(!EnCours());
}

void FenetreInventaire::ChoisitBase() {
    const QString depart =
        lblLedgra->text().isEmpty() ? QDir::homePath() : QFileInfo(lblLedgra->text()).path();
    const std::optional<QString> choix = dialogues_.ChoixFichier(
        kInfoOuvrir, depart, QStringLiteral("Ledgra (*.mdb *.db *.sqlite);;Tous les fichiers (*)"),
        false);
    if (choix && !choix->isEmpty()) {
        lblLedgra->setText(*choix);
    }
}

void FenetreInventaire::EnregistreParametres() {
    const ParametresTallyra p{Txtsociete->text(), Txtdepot->text(), edition_, lblLedgra->text()};
    try {
        tallyra::EnregistreParametres(dossier_, p);
    } catch (const ErreurKovra& e) {
        dialogues_.Message(QStringLiteral("Les paramètres n'ont pas été enregistrés : ") +
                               e.Message(),
                           Icone::Exclamation, kTitreTallyra);
        return;
    }
    dialogues_.Message(QStringLiteral("Paramètres enregistrés"), Icone::Information, kTitreTallyra);
}

void FenetreInventaire::Valide() {
    if (EnCours()) {
        return;
    }
    const auto refus = [this](const QString& texte) {
        dialogues_.Message(texte, Icone::Exclamation, kTitreTallyra);
    };
    if (Txtsociete->text().isEmpty() || Txtdepot->text().isEmpty()) {
        refus(QStringLiteral("Vous devez saisir un code dépôt et un code société"));
        return;
    }
    if (lblchemin->text().isEmpty()) {
        refus(QStringLiteral("Vous devez selectionner un fichier d'inventaire"));
        return;
    }
    if (lblLedgra->text().isEmpty()) {
        refus(QStringLiteral("Vous devez selectionner le fichier LedgC.mdb de votre ledgra"));
        return;
    }
    DemandeImport d{Txtsociete->text(), Txtdepot->text(),       lblchemin->text(),
                    lblLedgra->text(),  edition_.VersionLedgra, dossier_};
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    Active(false);
    import_ = new ImportInventaire(std::move(d), tenu_, fabrique_, *suivi_, QLocale(), this);
    connect(import_, &ImportInventaire::Fini, this, &FenetreInventaire::FinImport);
    import_->Lance();
}

void FenetreInventaire::FinImport() {
    const BilanImport bilan = import_->Bilan();
    import_->deleteLater();
    import_ = nullptr;
    Active(true);
    TlbPrpp->actions()[0]->setEnabled(false); // a new file is chosen for the next import
    emit importTermine(bilan);
}

void FenetreInventaire::Active(bool actif) {
    for (QWidget* w : std::initializer_list<QWidget*>{Txtsociete, Txtdepot, TlbFichier, TblLedgra,
                                                      CmdDefaut, menuBar()}) {
        w->setEnabled(actif);
    }
    TlbPrpp->actions()[0]->setEnabled(actif);
}

void FenetreInventaire::closeEvent(QCloseEvent* evenement) {
    if (EnCours()) {
        // Nothing is posted while the user is asked: the import's steps wait for the answer.
        import_->Suspend();
        const QString question = import_->QuestionAbandon();
        if (!question.isEmpty() && !dialogues_.Question(question, Icone::Question, kTitreTallyra)) {
            evenement->ignore();
            if (import_) {
                import_->Reprend();
            }
            return;
        }
        if (import_) {
            import_->Abandonne();
        }
    }
    delete import_.data();
    evenement->accept();
}

} // namespace kovra::tallyra
