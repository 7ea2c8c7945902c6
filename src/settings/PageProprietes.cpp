#include "settings/PageProprietes.h"

#include "link/AdresseReseau.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace kovra {

namespace {

// The lines "COM 1" to "COM 20" come first in the port list, the devices after them.
constexpr int kLignesCom = kDernierPortCom - kPremierPortCom + 1;

QComboBox* Liste(const QString& nom, const QStringList& lignes, QWidget* parent) {
    auto* liste = new QComboBox(parent);
    liste->setObjectName(nom);
    liste->addItems(lignes);
    // A list shows no choice until one is made, by the file or by the user.
    liste->setCurrentIndex(-1);
    return liste;
}

// A frame holding one list.
QGroupBox* Cadre(const QString& nom, const QString& titre, QComboBox* liste, QWidget* parent) {
    auto* cadre = new QGroupBox(titre, parent);
    cadre->setObjectName(nom);
    auto* disposition = new QVBoxLayout(cadre);
    liste->setParent(cadre);
    disposition->addWidget(liste);
    return cadre;
}

void Choisit(QComboBox* liste, int index) {
    if (index >= 0 && index < liste->count()) {
        liste->setCurrentIndex(index);
    }
}

void ChoisitTexte(QComboBox* liste, const std::optional<QString>& texte) {
    if (texte && !texte->isEmpty()) {
        Choisit(liste, liste->findText(*texte, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

std::optional<QString> TexteChoisi(const QComboBox* liste) {
    return liste->currentIndex() >= 0 ? std::optional<QString>(liste->currentText()) : std::nullopt;
}

std::optional<int> IndexChoisi(const QComboBox* liste) {
    return liste->currentIndex() >= 0 ? std::optional<int>(liste->currentIndex()) : std::nullopt;
}

} // namespace

PageProprietes::PageProprietes(const QString& dossierDonnees, const QString& dossierDefauts,
                               std::function<QList<PeripheriqueSerie>()> peripheriques,
                               QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("PageProprietes"));
    const QList<PeripheriqueSerie> presents =
        peripheriques ? peripheriques() : QList<PeripheriqueSerie>();
    for (const PeripheriqueSerie& p : presents) {
        cheminsPeripheriques_ << p.chemin;
    }

    cboPort_ = Liste(QStringLiteral("CboPort"), LignesPort(presents), this);
    cboVitesse_ =
        Liste(QStringLiteral("CboVitesse"), LignesVitesse(dossierDonnees, dossierDefauts), this);
    cboDonnees_ = Liste(QStringLiteral("CboDonnées"), LignesDonnees(), this);
    cboParite_ = Liste(QStringLiteral("CboParité"), LignesParite(), this);
    cboArret_ = Liste(QStringLiteral("CboArret"), LignesArret(), this);
    cboFlux_ = Liste(QStringLiteral("CboFlux"), LignesFlux(), this);
    cboProtocol_ = Liste(QStringLiteral("CboProtocol"), LignesProtocole(), this);
    // A device path can be long: the list grows with the page.
    cboPort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboPort_->setMinimumContentsLength(12);
    txtAdresse_ = new QLineEdit(this);
    txtAdresse_->setObjectName(QStringLiteral("TxtAdresse"));
    txtAdresse_->setPlaceholderText(ExempleAdresseReseau());
    txtAdresse_->setToolTip(AideAdresseReseau());
    txtAdresse_->hide();
    connect(cboPort_, &QComboBox::currentIndexChanged, this,
            [this](int ligne) { txtAdresse_->setVisible(ligne == LigneAdresse()); });
    // Picked by the user: the address is to be typed next.
    connect(cboPort_, &QComboBox::activated, this, [this](int ligne) {
        if (ligne == LigneAdresse()) {
            txtAdresse_->setFocus();
        }
    });

    auto* preference = new QGroupBox(QStringLiteral("Préférence de connection"), this);
    preference->setObjectName(QStringLiteral("FraPreference"));
    auto* grille = new QGridLayout(preference);
    const struct {
        const char* nom;
        const char* texte;
        QComboBox* liste;
    } lignes[] = {
        {"LblDonnees", "Bits de données :", cboDonnees_},
        {"LblParite", "Parité :", cboParite_},
        {"LblArret", "Bits d'arrêts :", cboArret_},
    };
    int rang = 0;
    for (const auto& l : lignes) {
        auto* libelle = new QLabel(QString::fromUtf8(l.texte), preference);
        libelle->setObjectName(QString::fromUtf8(l.nom));
        l.liste->setParent(preference);
        libelle->setBuddy(l.liste);
        grille->addWidget(libelle, rang, 0);
        grille->addWidget(l.liste, rang, 1);
        ++rang;
    }
    grille->setColumnStretch(1, 1);

    tlbPrpp_ = new QToolBar(this);
    tlbPrpp_->setObjectName(QStringLiteral("TlbPrpp"));
    tlbPrpp_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* valider = tlbPrpp_->addAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                                           QStringLiteral("Valider"));
    QAction* fermer = tlbPrpp_->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                          QStringLiteral("Fermer"));
    connect(valider, &QAction::triggered, this, &PageProprietes::valide);
    connect(fermer, &QAction::triggered, this, &PageProprietes::ferme);

    auto* disposition = new QGridLayout(this);
    QGroupBox* cadrePort = Cadre(QStringLiteral("FraPort"), QStringLiteral("Port"), cboPort_, this);
    txtAdresse_->setParent(cadrePort);
    cadrePort->layout()->addWidget(txtAdresse_);
    disposition->addWidget(cadrePort, 0, 0);
    disposition->addWidget(
        Cadre(QStringLiteral("FraVitesse"), QStringLiteral("Vitesse"), cboVitesse_, this), 0, 1);
    disposition->addWidget(preference, 1, 0, 1, 2);
    disposition->addWidget(
        Cadre(QStringLiteral("FraFlux"), QStringLiteral("Contrôle de flux"), cboFlux_, this), 2, 0);
    disposition->addWidget(
        Cadre(QStringLiteral("FraProtocol"), QStringLiteral("Protocol"), cboProtocol_, this), 2, 1);
    disposition->setColumnStretch(0, 1);
    disposition->setColumnStretch(1, 1);
    disposition->setRowStretch(3, 1);
    disposition->addWidget(tlbPrpp_, 4, 0, 1, 2, Qt::AlignRight);

    Selectionne(LitReglagesPort(dossierDonnees, dossierDefauts));
}

int PageProprietes::LigneAdresse() const {
    return cboPort_->count() - 1;
}

void PageProprietes::Selectionne(const ReglagesPort& r) {
    if (r.peripherique && EstAdresseReseau(*r.peripherique)) {
        txtAdresse_->setText(*r.peripherique);
        Choisit(cboPort_, LigneAdresse());
    } else if (r.peripherique) {
        qsizetype i = cheminsPeripheriques_.indexOf(*r.peripherique);
        if (i < 0) {
            // A device the file names but the system does not list now (unplugged, or a
            // link to one): it is still the port chosen, and stays so unless changed.
            cheminsPeripheriques_ << *r.peripherique;
            i = cheminsPeripheriques_.size() - 1;
            cboPort_->insertItem(kLignesCom + static_cast<int>(i), *r.peripherique);
        }
        Choisit(cboPort_, kLignesCom + static_cast<int>(i));
    } else if (r.port && *r.port >= kPremierPortCom && *r.port <= kDernierPortCom) {
        Choisit(cboPort_, *r.port - kPremierPortCom);
    }
    ChoisitTexte(cboVitesse_, r.vitesse);
    if (r.bitsDonnees) {
        ChoisitTexte(cboDonnees_, QString::number(*r.bitsDonnees));
    }
    if (r.parite) {
        Choisit(cboParite_, static_cast<int>(kLettresParite.indexOf(*r.parite)));
    }
    ChoisitTexte(cboArret_, r.arret);
    if (r.flux) {
        Choisit(cboFlux_, *r.flux);
    }
    ChoisitTexte(cboProtocol_, r.protocole);
}

ReglagesPort PageProprietes::Reglages() const {
    ReglagesPort r;
    const int port = cboPort_->currentIndex();
    if (port >= 0 && port < kLignesCom) {
        r.port = port + kPremierPortCom;
    } else if (port == LigneAdresse()) {
        r.peripherique = txtAdresse_->text().trimmed();
    } else if (port >= kLignesCom) {
        r.peripherique = cheminsPeripheriques_.value(port - kLignesCom);
    }
    r.vitesse = TexteChoisi(cboVitesse_);
    if (const auto donnees = TexteChoisi(cboDonnees_)) {
        r.bitsDonnees = donnees->toInt();
    }
    if (const auto parite = IndexChoisi(cboParite_)) {
        r.parite = kLettresParite.at(*parite);
    }
    r.arret = TexteChoisi(cboArret_);
    r.flux = IndexChoisi(cboFlux_);
    r.protocole = TexteChoisi(cboProtocol_);
    return r;
}

} // namespace kovra
