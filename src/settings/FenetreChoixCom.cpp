#include "settings/FenetreChoixCom.h"

#include "base/ErreurKovra.h"
#include "link/AdresseReseau.h"
#include "link/FichierPortSerie.h"
#include "link/ReglagesPort.h"

#include <QLabel>
#include <QVBoxLayout>

namespace kovra {

namespace {

constexpr int kPortsOfferts = 20;

// "ComN": N; nothing for another line.
std::optional<int> NumeroCom(const QString& ligne) {
    if (!ligne.startsWith(QStringLiteral("Com"))) {
        return std::nullopt;
    }
    bool ok = false;
    const int n = ligne.mid(3).toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

QStringList LignesChoixCom(const QString& peripherique) {
    QStringList lignes;
    if (!peripherique.isEmpty()) {
        lignes << peripherique;
    }
    for (int n = 1; n <= kPortsOfferts; ++n) {
        lignes << QStringLiteral("Com%1").arg(n);
    }
    lignes << LigneAdresseReseau();
    return lignes;
}

QString EnregistreChoixCom(const QString& dossierDonnees, const QStringList& lignes, int choisie,
                           const QString& dossierDefauts, const QString& adresse) {
    const QString ligne = choisie >= 0 && choisie < lignes.size() ? lignes[choisie] : QString();
    ReglagesPort reglages;
    if (ligne == LigneAdresseReseau()) {
        reglages.peripherique = adresse.trimmed();
    } else if (ligne.isEmpty()) {
        reglages.port = 1;
    } else if (const auto numero = NumeroCom(ligne)) {
        reglages.port = *numero;
    } else {
        return {}; // the device already named: nothing to change
    }
    try {
        EcritReglagesPort(dossierDonnees, reglages, dossierDefauts);
    } catch (const ErreurKovra& e) {
        return e.Message();
    }
    return {};
}

FenetreChoixCom::FenetreChoixCom(const QString& dossierDonnees, QWidget* parent)
    : QDialog(parent), dossierDefauts(DossierDefautsInstalles()), dossier_(dossierDonnees) {
    setObjectName(QStringLiteral("FrmChoixCom"));
    setWindowTitle(QStringLiteral("Problème d'ouverture du port Com"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    LblRaison = new QLabel(this);
    LblRaison->setObjectName(QStringLiteral("LblRaison"));
    LblRaison->setWordWrap(true);
    LblRaison->hide();
    auto* libelle = new QLabel(QStringLiteral("Choix d'un autre port Com"), this);
    CboChoix = new QComboBox(this);
    CboChoix->setObjectName(QStringLiteral("CboChoix"));
    const FichierPortSerie fichier = LitPortSerie(dossierDonnees);
    lignes_ = LignesChoixCom(fichier.peripherique);
    CboChoix->addItems(lignes_);
    const int port = fichier.port.nombre.value_or(0);
    CboChoix->setCurrentIndex(!fichier.peripherique.isEmpty() ? 0 : std::max(port - 1, 0));
    TxtAdresse = new QLineEdit(this);
    TxtAdresse->setObjectName(QStringLiteral("TxtAdresse"));
    TxtAdresse->setPlaceholderText(ExempleAdresseReseau());
    TxtAdresse->setToolTip(AideAdresseReseau());
    if (EstAdresseReseau(fichier.peripherique)) {
        TxtAdresse->setText(fichier.peripherique); // to correct it
    }
    TxtAdresse->hide();
    const int ligneAdresse = static_cast<int>(lignes_.size()) - 1;
    connect(CboChoix, &QComboBox::currentIndexChanged, this,
            [this, ligneAdresse](int ligne) { TxtAdresse->setVisible(ligne == ligneAdresse); });
    connect(CboChoix, &QComboBox::activated, this, [this, ligneAdresse](int ligne) {
        if (ligne == ligneAdresse) {
            TxtAdresse->setFocus(); // picked by the user: the address is to be typed next
        }
    });
    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);
    auto* disposition = new QVBoxLayout(this);
    disposition->addWidget(LblRaison);
    disposition->addWidget(libelle);
    disposition->addWidget(CboChoix);
    disposition->addWidget(TxtAdresse);
    disposition->addWidget(CmdOK, 0, Qt::AlignRight);
    setMinimumWidth(300);
    connect(CmdOK, &QPushButton::clicked, this, [this] {
        const QString refus = EnregistreChoixCom(dossier_, lignes_, CboChoix->currentIndex(),
                                                 dossierDefauts, TxtAdresse->text());
        const auto suite = enregistre;
        close();
        if (suite) {
            suite(refus);
        }
    });
}

void FenetreChoixCom::MontreRaison(const QString& raison) {
    LblRaison->setText(raison);
    LblRaison->setVisible(!raison.isEmpty());
    adjustSize();
}

} // namespace kovra
