#include "settings/FenetreParametrage.h"

#include "app/NoyauKovra.h"
#include "base/ErreurKovra.h"
#include "dialogues/Dialogues.h"
#include "dialogues/Icones.h"
#include "edition/ChoixScenario.h"
#include "edition/NomsTouches.h"
#include "edition/ProprietesScenario.h"
#include "editor/EditeurScenario.h"
#include "link/OuverturePort.h"
#include "link/SurveillancePort.h"
#include "settings/PageConnexion.h"
#include "settings/PageProprietes.h"
#include "settings/PageScenarios.h"
#include "settings/PageTouches.h"
#include "storage/BaseScen.h"
#include "storage/GestionScenarios.h"
#include "storage/Registre.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

namespace {

void Relie(QToolBar* barre, QObject* cible, const std::function<void()>& valide,
           const std::function<void()>& ferme) {
    QObject::connect(barre->actions()[0], &QAction::triggered, cible, valide);
    QObject::connect(barre->actions()[1], &QAction::triggered, cible, ferme);
}

} // namespace

FenetreParametrage::FenetreParametrage(ServicesParametrage services, QWidget* parent)
    : QWidget(parent, Qt::Window), s_(std::move(services)) {
    setObjectName(QStringLiteral("frmparametrage"));
    setWindowTitle(QStringLiteral("Paramétres <-> Clavier"));
    setWindowIcon(IconeKovra(QStringLiteral("menu-parametrage")));
    const QString dossier = s_.noyau.Env().DossierDonnees;
    editeur_ = new EditeurScenario(s_.noyau, s_.dialogues, this);

    TabParam = new QTabWidget(this);
    TabParam->setObjectName(QStringLiteral("TabParam"));
    connexion = new PageConnexion(TabParam);
    proprietes = new PageProprietes(dossier, s_.dossierDefauts, s_.peripheriques, TabParam);
    particulieres = new PageTouches(GenreTouches::Particulieres, TabParam);
    systeme = new PageTouches(GenreTouches::Systeme, TabParam);
    scenarios = new PageScenarios(TabParam);
    TabParam->addTab(connexion, QStringLiteral("&Connexion"));
    TabParam->addTab(proprietes, QStringLiteral("&Propriétés"));
    TabParam->addTab(particulieres, particulieres->Titre());
    TabParam->addTab(systeme, systeme->Titre());
    TabParam->addTab(scenarios, QStringLiteral("S&cénario"));
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(TabParam);

    const auto ferme = [this] {
        close();
    };
    Relie(
        connexion->TlbConnect, this, [this] { ValideConnexion(); }, ferme);
    connect(proprietes, &PageProprietes::valide, this, &FenetreParametrage::ValideProprietes);
    connect(proprietes, &PageProprietes::ferme, this, &QWidget::close);
    connect(particulieres, &PageTouches::valide, this,
            &FenetreParametrage::ValideTouchesParticulieres);
    connect(particulieres, &PageTouches::ferme, this, &QWidget::close);
    connect(systeme, &PageTouches::valide, this, &FenetreParametrage::ValideTouchesSysteme);
    connect(systeme, &PageTouches::ferme, this, &QWidget::close);
    Relie(
        scenarios->TlbScenarios, this, [this] { ValideScenarios(); }, ferme);
    Relie(
        scenarios->TlbScen, this, [this] { CreeScenario(); }, [this] { SupprimeScenario(); });
    connect(scenarios->TlbSaveScen->actions()[0], &QAction::triggered, this,
            &FenetreParametrage::EnregistreScenario);

    connect(connexion, &PageConnexion::imageCliquee, this, &FenetreParametrage::CliqueImage);
    connect(connexion->CboChoix, &QComboBox::activated, this,
            [this](int) { etat_.ScenChoisi = connexion->CboChoix->currentText(); });
    connect(connexion->CmdTransfert, &QPushButton::clicked, this, [this] {
        if (s_.ouvreTransfert) {
            s_.ouvreTransfert();
        } else {
            s_.dialogues.Message(QStringLiteral("Le transfert de fichiers avec le terminal "
                                                "n'est pas encore disponible dans cette "
                                                "version."),
                                 Icone::Information);
        }
    });
    connect(&s_.noyau.Port(), &MSComm::EtatChange, this, &FenetreParametrage::MontreEtatPort);
    connect(TabParam, &QTabWidget::currentChanged, this, &FenetreParametrage::ChoisitPage);

    connect(scenarios->LstScen, &QListWidget::currentRowChanged, this,
            &FenetreParametrage::SelectionneScenario);
    connect(scenarios->LstScen, &QListWidget::itemDoubleClicked, this, [this] {
        if (etat_.NumScen != 0) {
            editeur_->Ouvre(etat_.NumScen);
        }
    });
    connect(scenarios->CboType, &QComboBox::activated, this, &FenetreParametrage::ChoisitType);
    connect(scenarios->ChcPartiel, &QCheckBox::clicked, this, &FenetreParametrage::CliquePartiel);
    connect(scenarios->TxtChemin, &QLineEdit::editingFinished, this,
            &FenetreParametrage::FinEditionChemin);

    Ouverture();
    resize(640, 480);
}

FenetreParametrage::~FenetreParametrage() = default;

void FenetreParametrage::MontreEtatPort() {
    QString pourquoi;
    const MSComm& port = s_.noyau.Port();
    if (s_.noyau.Surveillance().Perdu()) {
        pourquoi = QStringLiteral("Port %1 débranché (%2) : il sera rouvert dès qu'il sera de "
                                  "retour.")
                       .arg(port.NomPeripherique(), s_.noyau.Surveillance().Raison());
    } else if (port.EnConnexion()) {
        pourquoi = QStringLiteral("Connexion à %1 en cours…").arg(port.NomPeripherique());
    } else if (s_.noyau.PortPrete()) {
        pourquoi = kPortPreteTransfert;
        if (s_.noyau.RouvertureAttendue()) {
            pourquoi += QStringLiteral(" Il sera rouvert à la fermeture de cette fenêtre.");
        }
    }
    connexion->MontrePort(s_.noyau.Port().PortOpen(), pourquoi);
}

void FenetreParametrage::Ouverture() {
    MontreEtatPort();
    ChargeScenarios();
    if (scenarios->LstScen->count() > 0) {
        scenarios->LstScen->setCurrentRow(0);
    }
    for (PageTouches* page : {particulieres, systeme}) {
        page->Remplit(LitNomsTouches(s_.noyau.Env().DossierDonnees, page->Touches().section,
                                     page->Touches().Nombre()));
    }
    LitRegistre();
    connexion->txtDelai->setValue(DelaiTouchesLu(s_.registre.Lit(kDelaiTouches)));
    connexion->chkChampsTouches->setChecked(ChampsTouchesLu(s_.registre.Lit(kChampsTouches)));
    TabParam->setCurrentIndex(0);
}

void FenetreParametrage::LitRegistre() {
    etat_.ScenInvent = s_.registre.Lit(kRacInvent);
    etat_.ScenCde = s_.registre.Lit(kRacCde);
    etat_.ScenChoisi = s_.registre.Lit(kRacScenChx);
    ChargeScenForChoix();
    QString separateur = s_.registre.Lit(kSepDec);
    if (separateur.isEmpty()) {
        separateur = QStringLiteral(".");
    }
    connexion->txtSep->setText(separateur);
}

void FenetreParametrage::ChargeScenForChoix() {
    QStringList noms;
    try {
        noms = s_.noyau.Base().ListeNoms();
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
    }
    connexion->RemplitChoix(noms, etat_.ScenChoisi);
}

void FenetreParametrage::ChargeScenarios() {
    QSignalBlocker bloque(scenarios->LstScen);
    scenarios->LstScen->clear();
    try {
        for (const QString& nom : s_.noyau.Base().ListeNoms()) {
            scenarios->LstScen->addItem(LigneListeScenario(nom));
        }
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
    }
}

void FenetreParametrage::Erreur(const QString& detail) {
    s_.dialogues.Message(kErreurOperation +
                             (detail.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + detail),
                         Icone::Exclamation, kTitreVelar);
}

void FenetreParametrage::ChoisitPage(int page) {
    if (page == 0) {
        LitRegistre();
    }
}

// Writes the port settings of the "&Propriétés" page; false (the user told) when the port
// cannot take them or the file cannot be written.
bool FenetreParametrage::EcritPort() {
    const ReglagesPort reglages = proprietes->Reglages();
    if (const QString refus = RefusReglagesPort(reglages); !refus.isEmpty()) {
        s_.dialogues.Message(refus, Icone::Exclamation, kTitreVelar);
        TabParam->setCurrentWidget(proprietes);
        return false;
    }
    try {
        EcritReglagesPort(s_.noyau.Env().DossierDonnees, reglages, s_.dossierDefauts);
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
        return false;
    }
    return true;
}

// Opens the port again on what PortSerie.ini now says, once nothing is under way; the
// window closes when it is open (or meant to stay closed), and stays to be corrected when
// it cannot be or no port is chosen yet.
void FenetreParametrage::Rouvre(bool memeInactif) {
    rouvertureEnCours_ = true;
    QPointer<FenetreParametrage> fenetre(this);
    s_.noyau.RouvrePort(
        [fenetre, this](const BilanOuverture& bilan) {
            if (fenetre.isNull()) {
                return;
            }
            rouvertureEnCours_ = false;
            if (bilan.prete) {
                // Saved, and opened once the transfer window lets go: the page says so.
                TabParam->setCurrentWidget(connexion);
                MontreEtatPort();
                return;
            }
            if (bilan.Impossible()) {
                s_.dialogues.Message(QStringLiteral("Le port n'a pas pu être ouvert : ") +
                                         bilan.erreur,
                                     Icone::Exclamation, kTitreVelar);
                return;
            }
            if (bilan.resultat == ResultatOuverture::AConfigurer) {
                TabParam->setCurrentWidget(proprietes); // the user was asked to choose one
                return;
            }
            close();
        },
        memeInactif);
}

void FenetreParametrage::ValideConnexion() {
    if (rouvertureEnCours_) {
        return;
    }
    if (etat_.ScenChoisi.isEmpty()) {
        etat_.ScenChoisi = connexion->CboChoix->currentText();
    }
    if (!RefusReglagesPort(proprietes->Reglages()).isEmpty()) {
        EcritPort(); // says why, before anything is written
        return;
    }
    if (etat_.ScenChoisi.isEmpty()) {
        s_.dialogues.Message(QStringLiteral("Vous devez entrer un choix pour le scenario choisi."),
                             Icone::Exclamation);
    } else {
        try {
            AppliqueChoixScenarios(s_.noyau.Base(), s_.registre, s_.noyau.Env().DossierDonnees,
                                   {etat_.ScenChoisi, etat_.ScenInvent, etat_.ScenCde,
                                    connexion->txtSep->text(), connexion->txtDelai->value(),
                                    connexion->chkChampsTouches->isChecked()});
        } catch (const ErreurKovra& e) {
            Erreur(e.Message());
            return;
        }
        s_.noyau.RechargeReglages();
    }
    if (!EcritPort()) {
        return;
    }
    // A PortActif that is no number is the opening's to report.
    const std::optional<qint32> actif =
        LitPortSerie(s_.noyau.Env().DossierDonnees).portActif.nombre;
    if (!actif || *actif != 0) {
        Rouvre(false);
    } else {
        close();
    }
}

void FenetreParametrage::ValideProprietes() {
    if (rouvertureEnCours_ || !EcritPort()) {
        return;
    }
    Rouvre(true);
}

bool FenetreParametrage::ValideTouches(PageTouches& page) {
    const GroupeTouches& groupe = page.Touches();
    const QStringList noms = page.Noms();
    if (const QString refus = RefusNomsTouches(groupe.libelles, noms); !refus.isEmpty()) {
        s_.dialogues.Message(refus, Icone::Exclamation, kTitreVelar);
        return false;
    }
    try {
        EcritNomsTouches(s_.noyau.Env().DossierDonnees, groupe.section, noms, groupe.premierCode);
    } catch (const ErreurKovra& e) {
        s_.dialogues.Message(e.Message(), Icone::Exclamation, kTitreVelar);
        return false;
    }
    s_.noyau.RechargeReglages();
    return true;
}

void FenetreParametrage::ValideTouchesParticulieres() {
    if (ValideTouches(*particulieres)) {
        close();
    }
}

void FenetreParametrage::ValideTouchesSysteme() {
    ValideTouches(*systeme);
}

void FenetreParametrage::CliqueImage(bool ouvert) {
    if (ouvert) {
        s_.noyau.FermePort();
        return;
    }
    QPointer<FenetreParametrage> fenetre(this);
    s_.noyau.RouvrePort(
        [fenetre, this](const BilanOuverture& bilan) {
            if (!fenetre.isNull() && bilan.Impossible()) {
                s_.dialogues.Message(QStringLiteral("Le port n'a pas pu être ouvert : ") +
                                         bilan.erreur,
                                     Icone::Exclamation, kTitreVelar);
            }
        },
        true);
}

void FenetreParametrage::SelectionneScenario(int ligne) {
    if (ligne < 0) {
        return;
    }
    etat_.NomSelection = NomLigneScenario(scenarios->LstScen->item(ligne)->text());
    std::optional<LigneScenario> lu;
    try {
        if (const auto numero = s_.noyau.Base().NumeroParNom(etat_.NomSelection)) {
            lu = s_.noyau.Base().LitScenario(*numero);
        }
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
        return;
    }
    if (!lu) {
        return;
    }
    etat_.NumScen = lu->Numero;
    etat_.TypeScen = lu->Type;
    PageScenarios& p = *scenarios;
    p.MontreProprietes(false);
    p.TxtNomScen->setText(lu->Nom);
    p.CboType->clear();
    p.CboType->addItems({kTypeEmulation, kTypeFichier});
    p.CboType->setCurrentIndex(p.CboType->findText(lu->Type));
    p.ChcPartiel->setChecked(lu->Trame != 0);
    p.chkIncrement->setChecked(lu->Specif != 0);
    p.TxtChemin->setText(lu->Chemin);
    p.FraChemin->setVisible(lu->Type == kTypeFichier);
}

void FenetreParametrage::CreeScenario() {
    PageScenarios& p = *scenarios;
    {
        QSignalBlocker bloque(p.LstScen);
        p.LstScen->setCurrentRow(-1);
    }
    p.MontreProprietes(true);
    p.CboType->clear();
    p.CboType->addItems({kTypeEmulation, kTypeFichier});
    p.CboType->setCurrentIndex(-1);
    p.TxtNomScen->clear();
    p.ChcPartiel->setChecked(false);
    p.ChDatalogic->setChecked(false);
    p.chkIncrement->setChecked(false);
    p.TxtChemin->clear();
    p.FraChemin->hide();
    etat_.NumScen = 0;
    etat_.NomSelection.clear();
    etat_.TypeScen.clear();
    etat_.NbrChamps.reset();
    p.TxtNomScen->setFocus();
}

void FenetreParametrage::ChoisitType(int ligne) {
    etat_.TypeScen = scenarios->CboType->itemText(ligne);
    scenarios->FraChemin->setVisible(etat_.TypeScen == kTypeFichier);
}

void FenetreParametrage::CliquePartiel(bool coche) {
    if (!coche) {
        etat_.NbrChamps.reset();
        return;
    }
    const NombreChamps lu =
        LitNombreChamps(s_.dialogues.Saisie(kInviteNombreChamps, kTitreApplication, QString()));
    if (!lu.refus.isEmpty()) {
        s_.dialogues.Message(lu.refus, Icone::Exclamation);
    }
    etat_.NbrChamps = lu.nombre;
    scenarios->ChcPartiel->setChecked(lu.nombre.has_value());
}

void FenetreParametrage::FinEditionChemin() {
    if (etat_.NumScen == 0) {
        return; // a new scenario: the path goes with it when it is saved
    }
    const PageScenarios& p = *scenarios;
    try {
        EnregistreProprietes(s_.noyau.Base(), etat_.NumScen, p.TxtChemin->text(),
                             p.chkIncrement->isChecked());
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
    }
}

void FenetreParametrage::EnregistreScenario() {
    PageScenarios& p = *scenarios;
    if (etat_.TypeScen.isEmpty()) {
        s_.dialogues.Message(QStringLiteral("Vous devez préciser un type pour le scénario."),
                             Icone::Critique);
        return;
    }
    try {
        if (etat_.NumScen != 0) {
            EnregistreProprietes(s_.noyau.Base(), etat_.NumScen, p.TxtChemin->text(),
                                 p.chkIncrement->isChecked());
            return;
        }
        const qint16 numero = kovra::CreeScenario(
            s_.noyau.Base(), {p.TxtNomScen->text(), etat_.TypeScen,
                              p.ChcPartiel->isChecked() ? etat_.NbrChamps.value_or(0) : qint16{0},
                              p.chkIncrement->isChecked(), p.TxtChemin->text()});
        p.LstScen->addItem(LigneListeScenario(p.TxtNomScen->text()));
        p.LstScen->setCurrentRow(p.LstScen->count() - 1);
        editeur_->Ouvre(numero);
    } catch (const ErreurKovra& e) {
        s_.dialogues.Message(e.Message(), Icone::Exclamation);
    }
}

void FenetreParametrage::SupprimeScenario() {
    PageScenarios& p = *scenarios;
    const int ligne = p.LstScen->currentRow();
    if (ligne < 0) {
        s_.dialogues.Message(QStringLiteral("Veuillez sélectionner le scénario à supprimer."),
                             Icone::Exclamation);
        return;
    }
    const QString nom = NomLigneScenario(p.LstScen->item(ligne)->text());
    if (!s_.dialogues.Question(QStringLiteral("Attention. Cette suppression sera définitive. "
                                              "Voulez-vous réellement supprimer le scénario ") +
                                   nom + QStringLiteral("?"),
                               Icone::Critique, kTitreApplication)) {
        return;
    }
    const bool choisi = s_.registre.Lit(kRacScenChx) == nom;
    try {
        kovra::SupprimeScenario(s_.noyau.Base(), s_.registre, s_.noyau.Env().DossierDonnees, nom);
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
        return;
    }
    OublieScenarioSupprime(nom);
    editeur_->ScenarioSupprime(nom);
    {
        QSignalBlocker bloque(p.LstScen);
        delete p.LstScen->takeItem(ligne);
        p.LstScen->setCurrentRow(-1);
    }
    if (choisi) {
        // Reception no longer types with a scenario that is gone.
        s_.noyau.RechargeReglages();
    }
}

void FenetreParametrage::OublieScenarioSupprime(const QString& nom) {
    for (QString* copie : {&etat_.ScenChoisi, &etat_.ScenInvent, &etat_.ScenCde}) {
        if (*copie == nom) {
            copie->clear();
        }
    }
    etat_.NumScen = 0;
    etat_.NomSelection.clear();
    PageScenarios& p = *scenarios;
    for (QWidget* w : std::initializer_list<QWidget*>{p.LblNomScen, p.TxtNomScen, p.LblType,
                                                      p.CboType, p.FraChemin}) {
        w->hide();
    }
    p.TlbSaveScen->hide();
    ChargeScenForChoix();
}

void FenetreParametrage::ValideScenarios() {
    if (etat_.ScenChoisi.isEmpty() && !etat_.NomSelection.isEmpty()) {
        etat_.ScenChoisi = etat_.NomSelection;
    }
    if (etat_.ScenChoisi.isEmpty()) {
        s_.dialogues.Message(QStringLiteral("Veuillez choisir un scénario."), Icone::Exclamation);
        close();
        return;
    }
    editeur_->AvantCompilation();
    try {
        AppliqueChoixScenarios(s_.noyau.Base(), s_.registre, s_.noyau.Env().DossierDonnees,
                               {etat_.ScenChoisi, etat_.ScenInvent, etat_.ScenCde, {}, {}, {}});
    } catch (const ErreurKovra& e) {
        Erreur(e.Message());
        return;
    }
    FinEditionChemin();
    s_.noyau.RechargeReglages();
    close();
}

void FenetreParametrage::closeEvent(QCloseEvent* evenement) {
    // What the list shows is compiled again, so that reception follows the database.
    const QString montre = connexion->CboChoix->currentText();
    try {
        RecompileSiPresent(s_.noyau.Base(), s_.noyau.Env().DossierDonnees, montre);
    } catch (const ErreurKovra& e) {
        s_.dialogues.Avis(e.Message(), Icone::Exclamation);
    }
    QWidget::closeEvent(evenement);
}

} // namespace kovra
