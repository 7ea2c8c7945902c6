#include "windows/FenetreImport.h"

#include "app/NoyauKovra.h"
#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"
#include "link/FichierPortSerie.h"

#include <QAction>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

QString DossierImport(const QString& dossierDonnees) {
    const QString repertoire = LitPortSerie(dossierDonnees).repertoire;
    return repertoire.isEmpty() ? QDir::homePath() : repertoire;
}

QString RefusDemarrage(const QString& fichier, const QString& separateur) {
    if (fichier.isEmpty()) {
        return QStringLiteral("Veuillez sélectionner un fichier à remonter");
    }
    if (separateur.isEmpty()) {
        return QStringLiteral("Veuillez sélectionner un séparateur pour les champs");
    }
    return {};
}

FenetreImport::FenetreImport(NoyauKovra& noyau, Dialogues& dialogues, Progression& progression,
                             QWidget* parent)
    : QDialog(parent), noyau_(noyau), dialogues_(dialogues),
      import_(noyau, progression, minuterie_) {
    setObjectName(QStringLiteral("frmFichiers"));
    setWindowTitle(QStringLiteral("Import d'un fichier texte"));
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));

    frame1_ = new QGroupBox(QStringLiteral("Fichier à importer"), this);
    frame1_->setObjectName(QStringLiteral("Frame1"));
    auto* label2 = new QLabel(QStringLiteral("Fichier :"), frame1_);
    label2->setObjectName(QStringLiteral("Label2"));
    txtFic_ = new QLineEdit(frame1_);
    txtFic_->setObjectName(QStringLiteral("txtFic"));
    label2->setBuddy(txtFic_);
    tlbOuvrir_ = new QToolBar(frame1_);
    tlbOuvrir_->setObjectName(QStringLiteral("tlbOuvrir"));
    tlbOuvrir_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    QAction* parcourir = tlbOuvrir_->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon),
                                               QStringLiteral("Parcourir..."));
    connect(parcourir, &QAction::triggered, this, &FenetreImport::Parcourir);
    auto* lblSep = new QLabel(QStringLiteral("Séparateur des champs :"), frame1_);
    lblSep->setObjectName(QStringLiteral("lblSep"));
    txtSep_ = new QLineEdit(QStringLiteral(";"), frame1_);
    txtSep_->setObjectName(QStringLiteral("txtSep"));
    txtSep_->setMaximumWidth(80);
    lblSep->setBuddy(txtSep_);

    auto* grille = new QGridLayout(frame1_);
    grille->addWidget(label2, 0, 0);
    grille->addWidget(txtFic_, 0, 1);
    grille->addWidget(tlbOuvrir_, 0, 2);
    grille->addWidget(lblSep, 1, 0);
    grille->addWidget(txtSep_, 1, 1, Qt::AlignLeft);
    grille->setColumnStretch(1, 1);

    auto* lblMessage = new QLabel(QStringLiteral("Chaque ligne du fichier est un enregistrement "
                                                 "dont les champs sont séparés par le "
                                                 "séparateur ; les lignes vides sont ignorées. "
                                                 "Le fichier est traité avec le scénario "
                                                 "choisi, comme une transmission du terminal."),
                                  this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);

    tlbConnect_ = new QToolBar(this);
    tlbConnect_->setObjectName(QStringLiteral("TlbConnect"));
    tlbConnect_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* importer = tlbConnect_->addAction(IconeKovra(QStringLiteral("menu-fichier")),
                                               QStringLiteral("Importer"));
    QAction* fermer = tlbConnect_->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                             QStringLiteral("Fermer"));
    connect(importer, &QAction::triggered, this, &FenetreImport::Demarre);
    connect(fermer, &QAction::triggered, this, &QWidget::close);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(frame1_);
    disposition->addWidget(lblMessage);
    disposition->addStretch();
    disposition->addWidget(tlbConnect_, 0, Qt::AlignRight);
    resize(520, 230);
}

FenetreImport::~FenetreImport() = default;

void FenetreImport::Parcourir() {
    const std::optional<QString> choix =
        dialogues_.ChoixFichier(QStringLiteral("Fichier à importer"),
                                DossierImport(noyau_.Env().DossierDonnees), kFiltreImport, false);
    if (choix) {
        txtFic_->setText(*choix);
    }
}

void FenetreImport::Demarre() {
    const QString refus = RefusDemarrage(txtFic_->text(), txtSep_->text());
    if (!refus.isEmpty()) {
        dialogues_.Message(refus, Icone::Exclamation, kTitreImport);
        return;
    }
    getFile(txtFic_->text(), txtSep_->text());
}

void FenetreImport::getFile(const QString& fichier, const QString& separateur) {
    // The window goes away, but lives on until its import is delivered: it is hidden, not
    // closed, and not deleted on close meanwhile.
    if (!import_.EnCours()) {
        detruireALaFin_ = testAttribute(Qt::WA_DeleteOnClose);
    }
    setAttribute(Qt::WA_DeleteOnClose, false);
    hide();
    import_.getFile(fichier, separateur, [this](IssueImport issue) {
        if (issue == IssueImport::DejaEnCours) {
            return;
        }
        if (detruireALaFin_) {
            if (isVisible()) {
                setAttribute(Qt::WA_DeleteOnClose, true);
            } else {
                deleteLater();
            }
        }
        emit importTermine(issue == IssueImport::Livre);
    });
}

} // namespace kovra
