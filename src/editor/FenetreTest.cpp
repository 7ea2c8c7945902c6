#include "editor/FenetreTest.h"

#include "app/EssaiScenario.h"
#include "app/NoyauKovra.h"
#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"

#include <QAction>
#include <QLabel>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

FenetreTest::FenetreTest(ServicesEssai services, qint16 numScen, QWidget* parent)
    : QWidget(parent, Qt::Window), s_(std::move(services)), numScen_(numScen) {
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(QStringLiteral("Test du scénario"));
    setWindowIcon(IconeKovra(QStringLiteral("kovra")));

    auto* explication = new QLabel(
        QStringLiteral("Tester demande une valeur pour chaque champ du scénario, pour quatre "
                       "enregistrements, puis traite ces valeurs comme une transmission du "
                       "terminal. Vous avez alors deux secondes pour donner la main à "
                       "l'application qui doit recevoir les touches ; un scénario Fichier "
                       "écrit son fichier."),
        this);
    explication->setObjectName(QStringLiteral("lblExplication"));
    explication->setWordWrap(true);

    TlbScenarios = new QToolBar(this);
    TlbScenarios->setObjectName(QStringLiteral("TlbScenarios"));
    TlbScenarios->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tester_ = TlbScenarios->addAction(style()->standardIcon(QStyle::SP_MediaPlay),
                                      QStringLiteral("Tester"));
    fermer_ = TlbScenarios->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                      QStringLiteral("Fermer"));
    connect(tester_, &QAction::triggered, this, &FenetreTest::Lance);
    connect(fermer_, &QAction::triggered, this, &FenetreTest::Ferme);

    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(explication);
    disposition->addStretch();
    disposition->addWidget(TlbScenarios, 0, Qt::AlignRight);
    resize(360, 150);
}

FenetreTest::~FenetreTest() = default;

void FenetreTest::ChangeScenario(qint16 numScen) {
    numScen_ = numScen;
}

void FenetreTest::Lance() {
    if (enCours_ || attendAvis_) {
        return;
    }
    DemandeTraitement demande;
    try {
        if (s_.avantEssai) {
            s_.avantEssai();
        }
        demande = PrepareEssai(s_.noyau.Base(), s_.noyau.Env().DossierDonnees, numScen_,
                               QuestionParDialogue(s_.dialogues));
    } catch (const ErreurKovra& e) {
        s_.dialogues.Message(e.Message(), Icone::Exclamation, kTitreApplication);
        return;
    }
    enCours_ = true;
    tester_->setEnabled(false);
    demande.fin = [fenetre = QPointer<FenetreTest>(this)](bool livre) {
        if (fenetre) {
            fenetre->Termine(livre);
        }
    };
    s_.noyau.TraiteTrame(std::move(demande));
    if (s_.metDeCote) {
        s_.metDeCote();
    }
}

void FenetreTest::Termine(bool livre) {
    enCours_ = false;
    attendAvis_ = true;
    // The notices of the test went to the core's dialogues.
    s_.noyau.Env().dialogues.ApresAvis([fenetre = QPointer<FenetreTest>(this)] {
        if (fenetre) {
            fenetre->Disponible();
        }
    });
    emit essaiTermine(livre);
}

void FenetreTest::Disponible() {
    attendAvis_ = false;
    tester_->setEnabled(true);
}

void FenetreTest::Ferme() {
    if (s_.fermeEditeur) {
        s_.fermeEditeur();
    } else {
        close();
    }
}

} // namespace kovra
