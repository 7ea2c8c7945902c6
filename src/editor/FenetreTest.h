#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QAction;
class QToolBar;

namespace kovra {

class Dialogues;
class NoyauKovra;

// What the scenario editor lends the test window.
struct ServicesEssai {
    NoyauKovra& noyau;
    Dialogues& dialogues;
    // Run before each test (the editor settles its list there); may be empty; may throw
    // ErreurKovra, which stops the test.
    std::function<void()> avantEssai;
    // Sets the settings window aside, so that it no longer holds the focus; may be empty.
    std::function<void()> metDeCote;
    // Button 2: closes the editor's windows, this one included; may be empty.
    std::function<void()> fermeEditeur;
};

// FrmTest: tries the scenario being edited without a terminal. Button 1 of TlbScenarios
// asks a value for each field of four records, compiles the scenario and processes the
// frame on a scenario state of its own, then, after a pause in which the user gives the
// focus to the receiving window, delivers the output as a received frame would be (typed,
// or written to the scenario's file). Button 1 then waits for the notices the test raised
// ("Fichier ... : généré") to be closed, so that one test's messages never pile on
// another's. Button 2 closes the editor. The core must outlive the window; a test handed to
// the core is delivered even if the window goes first.
class FenetreTest : public QWidget {
    Q_OBJECT
public:
    FenetreTest(ServicesEssai services, qint16 numScen, QWidget* parent = nullptr);
    ~FenetreTest() override;

    // The editor opened another scenario.
    void ChangeScenario(qint16 numScen);
    qint16 NumScen() const { return numScen_; }
    // Whether a test waits to be delivered.
    bool EnCours() const { return enCours_; }

    // Whether button 1 waits for the notices of the last test to be closed.
    bool AttendAvis() const { return attendAvis_; }

    // Button 1: runs a test of the scenario; nothing while one waits to be delivered or
    // its notices are open.
    void Lance();
    // Button 2: closes the editor, or this window when there is none.
    void Ferme();

    QToolBar* TlbScenarios;

signals:
    // A test's frame was dealt with; `livre`: delivered whole.
    void essaiTermine(bool livre);

private:
    void Termine(bool livre);
    void Disponible();

    ServicesEssai s_;
    qint16 numScen_;
    bool enCours_ = false;
    bool attendAvis_ = false;
    QAction* tester_;
    QAction* fermer_;
};

} // namespace kovra
