#pragma once

#include "app/ImportFichier.h"
#include "base/MinuterieQt.h"
#include "dialogues/Dialogues.h"

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QToolBar;
class QGroupBox;

namespace kovra {

class Dialogues;
class NoyauKovra;
class Progression;

// Caption of the messages of the import window.
inline const QString kTitreImport = kTitreVelar;

// The file types the file dialog offers.
inline const QString kFiltreImport =
    QStringLiteral("Fichier texte (*.txt *.TXT);;Tous les fichiers (*)");

// The folder the file dialog opens on: key "Repertoire" of PortSerie.ini, else the
// user's home folder.
QString DossierImport(const QString& dossierDonnees);

// What stops an import from starting, as told to the user; empty when nothing does. A
// missing file is named first.
QString RefusDemarrage(const QString& fichier, const QString& separateur);

// frmFichiers: the text file import window. The user picks a file (txtFic, browse button of
// tlbOuvrir) and the separator of its fields (txtSep); button 1 of TlbConnect hides the
// window and imports the file, button 2 closes it. The window lives on, hidden, until its
// import has ended (importTermine), and deletes itself then if it was to be deleted on
// close. The core must outlive it.
class FenetreImport : public QDialog {
    Q_OBJECT
public:
    FenetreImport(NoyauKovra& noyau, Dialogues& dialogues, Progression& progression,
                  QWidget* parent = nullptr);
    ~FenetreImport() override;

    // Hides the window and imports the file (see ImportFichier); also used without ever
    // showing the window.
    void getFile(const QString& fichier, const QString& separateur);
    // The browse button: a file dialog, whose choice goes into txtFic.
    void Parcourir();
    // Button 1: checks what the user gave, then getFile.
    void Demarre();
    bool EnCours() const { return import_.EnCours(); }

signals:
    // An import of this window has ended; `livre`: delivered whole.
    void importTermine(bool livre);

private:
    NoyauKovra& noyau_;
    Dialogues& dialogues_;
    MinuterieQt minuterie_;
    ImportFichier import_;
    bool detruireALaFin_ = false;

    QGroupBox* frame1_;
    QLineEdit* txtFic_;
    QLineEdit* txtSep_;
    QToolBar* tlbOuvrir_;
    QToolBar* tlbConnect_;
};

} // namespace kovra
