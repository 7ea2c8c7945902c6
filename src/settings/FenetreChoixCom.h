#pragma once

#include "storage/DossierDonnees.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kovra {

// The lines the port choice offers: the device (or network address) PortSerie.ini names,
// when it names one, then "Com1" to "Com20", then LigneAdresseReseau.
QStringList LignesChoixCom(const QString& peripherique);

// Stores the line chosen (-1: none) in PortSerie.ini of the data folder as the settings
// window stores a port: "ComN" sets "Port" to " N" and forgets the device named instead of
// a number; the device's line keeps it; LigneAdresseReseau stores `adresse` (blanks around
// it dropped) as the device; no line chosen gives port 1. A file lost meanwhile is made
// again from the defaults in `dossierDefauts`, never left one the next start refuses.
// Empty when stored; otherwise why not, in a sentence for the user naming the value in the
// way (an address badly written included) or the file that cannot be written (the file is
// then left as it was).
QString EnregistreChoixCom(const QString& dossierDonnees, const QStringList& lignes, int choisie,
                           const QString& dossierDefauts = DossierDefautsInstalles(),
                           const QString& adresse = {});

// FrmChoixCom, shown at start-up when the port cannot be opened: the user picks another
// one, used from the next start. It never holds the event loop.
class FenetreChoixCom : public QDialog {
public:
    explicit FenetreChoixCom(const QString& dossierDonnees, QWidget* parent = nullptr);

    // Says why the port could not be opened (LblRaison), above the choice.
    void MontreRaison(const QString& raison);

    QLabel* LblRaison;
    QComboBox* CboChoix;
    // The network address, shown while the line LigneAdresseReseau is chosen.
    QLineEdit* TxtAdresse;
    QPushButton* CmdOK;

    // Called once OK has tried to store the choice: empty when stored, else why not.
    std::function<void(const QString& refus)> enregistre;
    // The default files installed with the program.
    QString dossierDefauts;

private:
    QString dossier_;
    QStringList lignes_;
};

} // namespace kovra
