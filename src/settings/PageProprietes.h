#pragma once

#include "link/ReglagesPort.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QComboBox;
class QLineEdit;
class QToolBar;

namespace kovra {

// The "&Propriétés" page of the settings window: the serial port's settings and the
// terminal type, each chosen in a list (CboPort, CboVitesse, CboDonnées, CboParité,
// CboArret, CboFlux, CboProtocol), and the toolbar TlbPrpp with "Valider" (1) and "Fermer"
// (2). The port list ends with the line "Adresse réseau…", which shows the field
// TxtAdresse under the list for the address of a terminal on the network.
// The lists open on the values of PortSerie.ini; a value that matches no line leaves
// its list without a choice, and a value the file lacks (the whole file, when it was lost)
// is the installed default's, as a fresh data folder would hold it. The page writes nothing: it
// hands over the values chosen (Reglages) and says which button was pressed, and the window does
// the rest.
class PageProprietes : public QWidget {
    Q_OBJECT
public:
    // `peripheriques` gives the serial devices to offer after "COM 1" to "COM 20"
    // (PeripheriquesPresents in the program); it is asked once. `dossierDefauts` holds the
    // default files installed with the program.
    PageProprietes(const QString& dossierDonnees, const QString& dossierDefauts,
                   std::function<QList<PeripheriqueSerie>()> peripheriques,
                   QWidget* parent = nullptr);

    // The values as chosen now; a list without a choice leaves its value unset.
    ReglagesPort Reglages() const;

signals:
    void valide();
    void ferme();

private:
    // Chooses in each list the line of the value given, when there is one.
    void Selectionne(const ReglagesPort& reglages);

    // The line of CboPort that lets the user type a network address: the last one.
    int LigneAdresse() const;

    QStringList cheminsPeripheriques_; // device of each CboPort line after the COM lines
    QComboBox* cboPort_;
    QLineEdit* txtAdresse_;
    QComboBox* cboVitesse_;
    QComboBox* cboDonnees_;
    QComboBox* cboParite_;
    QComboBox* cboArret_;
    QComboBox* cboFlux_;
    QComboBox* cboProtocol_;
    QToolBar* tlbPrpp_;
};

} // namespace kovra
