#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPushButton>

namespace kovra {

// The lines the port choice offers: the device PortSerie.ini names, when it names one,
// then "Com1" to "Com20".
QStringList LignesChoixCom(const QString& peripherique);

// Stores the line chosen (-1: none) in PortSerie.ini of the data folder: "ComN" sets "Port"
// to N and forgets the device named instead of a number; the device's line keeps it; no
// line chosen gives port 1. False when the file cannot be written.
bool EnregistreChoixCom(const QString& dossierDonnees, const QStringList& lignes, int choisie);

// FrmChoixCom, shown at start-up when the port cannot be opened: the user picks another
// one, used from the next start. It never holds the event loop.
class FenetreChoixCom : public QDialog {
public:
    explicit FenetreChoixCom(const QString& dossierDonnees, QWidget* parent = nullptr);

    QComboBox* CboChoix;
    QPushButton* CmdOK;

    // Called once OK has stored the choice: whether it could be written.
    std::function<void(bool)> enregistre;

private:
    QString dossier_;
    QStringList lignes_;
};

} // namespace kovra
