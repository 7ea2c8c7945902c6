#pragma once

#include "transfer/BibliothequeMultidll.h"
#include "transfer/OperationsTransfert.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace kovra {

class Dialogues;
class NoyauKovra;

// What the transfer window works with.
struct ServicesTransfert {
    NoyauKovra& noyau;
    Dialogues& dialogues;
    // Finds and loads the transfer library (ChargeMultidll by default).
    std::function<ChargementMultidll()> charge;
};

// frmTransfert, "Communication HT630": moves whole files between the PC and the terminal
// through the terminal maker's library, and shows and sets its three timings. "Open COM1"
// opens the library's port; Kovra's own port lets go of the serial device, stays closed
// whatever asks for it meanwhile, and is opened again when the window closes (if it was
// open, or was asked for). A transfer moves one packet per turn of the event
// loop, its buttons and the "Set" buttons disabled; "Stop", or closing the window, ends it
// after the current packet. Without the library (or with one lacking a function) the window
// says so and only "Create testfile" works.
class FenetreTransfert : public QWidget {
    Q_OBJECT
public:
    explicit FenetreTransfert(ServicesTransfert services, QWidget* parent = nullptr);
    ~FenetreTransfert() override;

    // The handlers of the buttons, which tests call directly too.
    void OuvrePort();
    void Upload();
    void Download();
    void RegleEsc();
    void RegleNak();
    void RegleTimeOut();
    void CreeFichierTest();
    void Arrete();

    bool BibliothequePresente() const { return bibliotheque_ != nullptr; }
    bool EnTransfert() const { return transfert_ != nullptr; }

    QLabel* LblVersion;
    QLabel* LblErreurBibliotheque;
    QLineEdit* TxtEsc;
    QLineEdit* TxtNak;
    QLineEdit* TxtTimeOut;
    QPushButton* CmdSetEsc;
    QPushButton* CmdSetNak;
    QPushButton* CmdSetTimeOut;
    QPushButton* cmdOpenCom;
    QPushButton* cmdUpload;
    QPushButton* cmdDownload;
    QPushButton* cmdCreateTestfile;
    QPushButton* CmdStop;
    QLabel* LblBytes;
    QLabel* LblPackets;
    QProgressBar* PrgB;

signals:
    // A transfer has ended; `reussi`: the library said "Succesfull".
    void transfertTermine(bool reussi);

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    void AfficheParametres();
    void AfficheProgression(const AvancementTransfert& a);
    void Regle(QLineEdit* boite, int32_t (BibliothequeMultidll::*regle)(int32_t));
    void Lance(std::unique_ptr<Transfert> transfert, bool cacherApres);
    void PaquetSuivant();
    void FinTransfert();
    void MontreMessages();
    void MetAJourBoutons();
    void Termine(bool rendrePort);

    ServicesTransfert s_;
    std::unique_ptr<BibliothequeMultidll> bibliotheque_;
    std::unique_ptr<Transfert> transfert_;
    QStringList messages_; // told by the transfer, shown between two packets
    QTimer paquets_;
    bool cacherApres_ = false;
    bool portPrete_ = false; // Kovra's port let go of the line for the library's
    bool termine_ = false;
};

} // namespace kovra
