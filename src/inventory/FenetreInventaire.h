#pragma once

#include "inventory/ImportInventaire.h"
#include "inventory/ParametresTallyra.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolBar;

namespace kovra {
class Dialogues;
}

namespace kovra::tallyra {

// The caption of Tallyra's messages.
inline const QString kTitreTallyra = QStringLiteral("Tallyra");

// frmmain, "Inventaire Ostrak": the company and depot codes, the inventory file and the
// article database, the edition of the management application (menu "&Parametres"), and
// "Valider", which posts the file. The import runs one step per turn of the event loop,
// the inputs disabled meanwhile; closing the window then asks before abandoning it.
class FenetreInventaire : public QMainWindow {
    Q_OBJECT
public:
    FenetreInventaire(QString dossier, Dialogues& dialogues, FabriqueServeur fabrique,
                      QWidget* parent = nullptr);
    ~FenetreInventaire() override;

    // The handlers, which tests call directly too.
    void ChoisitFichier();
    void ChoisitBase();
    void ChoisitExpert();
    void ChoisitHuit();
    void EnregistreParametres();
    void Valide();
    bool EnCours() const { return !import_.isNull(); }
    qint16 VersionLedgra() const { return edition_.VersionLedgra; }

    QLineEdit* Txtsociete;
    QLineEdit* Txtdepot;
    QLabel* lblchemin;
    QLabel* lblLedgra;
    QLabel* LblMessages;
    QProgressBar* ProgressBar1;
    QToolBar* TlbFichier;
    QToolBar* TblLedgra;
    QToolBar* TlbPrpp;
    QPushButton* CmdDefaut;
    QAction* mnuexpert;
    QAction* mnuhuit;

signals:
    // An import has ended.
    void importTermine(const BilanImport& bilan);

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    class Suivi;
    void MontreEdition();
    void Active(bool actif);
    void FinImport();

    QString dossier_;
    Dialogues& dialogues_;
    FabriqueServeur fabrique_;
    EditionLedgra edition_;
    ServeurTenu tenu_;
    std::unique_ptr<Suivi> suivi_;
    QPointer<ImportInventaire> import_;
};

} // namespace kovra::tallyra
