#pragma once

#include "link/ReglagesPort.h"
#include "storage/DossierDonnees.h"

#include <QList>
#include <QWidget>
#include <functional>
#include <optional>

class QTabWidget;

namespace kovra {

class Dialogues;
class EditeurScenario;
class NoyauKovra;
class PageConnexion;
class PageProprietes;
class PageScenarios;
class PageTouches;
class Registre;

// The message of a command of the window that failed; what was written before stays.
inline const QString kErreurOperation =
    QStringLiteral("Une erreur vient de se produire. L'opération en cours a été annulée. Merci "
                   "de bien vouloir recommencer");

// Why the port stays closed while the file transfer window uses the serial line.
inline const QString kPortPreteTransfert =
    QStringLiteral("Port fermé : la fenêtre « Communication HT630 » s'en sert pour le transfert "
                   "de fichiers.");

// What the settings window works on, and the windows it opens.
struct ServicesParametrage {
    NoyauKovra& noyau;
    Registre& registre;
    Dialogues& dialogues;
    // The serial devices present (the port list offers them after COM 1 to COM 20).
    std::function<QList<PeripheriqueSerie>()> peripheriques = PeripheriquesPresents;
    // The file transfer window; empty while the program has none.
    std::function<void()> ouvreTransfert;
    // The default files installed with the program: what a value missing from the data
    // folder's files falls back on.
    QString dossierDefauts = DossierDefautsInstalles();
};

// What the window remembers between its pages: the scenarios the registry names, and the
// scenario the last page shows (0 and an empty name while a new one is being made).
struct EtatParametrage {
    QString ScenChoisi;
    QString ScenInvent;
    QString ScenCde;
    qint16 NumScen = 0;
    QString NomSelection;
    QString TypeScen;
    std::optional<qint16> NbrChamps;
};

// frmparametrage, "Paramétres <-> Clavier": the pages "&Connexion", "&Propriétés",
// "&Touches particuliéres", "Touches &systémes" and "S&cénario". What it saves reaches the
// running program at once: the port is opened again on the port now configured, and the
// chosen scenario, the decimal separator, the pause between keys and the key names apply
// from the next frame. A command that fails says so and leaves the window open.
class FenetreParametrage : public QWidget {
    Q_OBJECT
public:
    explicit FenetreParametrage(ServicesParametrage services, QWidget* parent = nullptr);
    ~FenetreParametrage() override;

    // The handlers of the window's commands, which tests call directly too.
    void ValideConnexion();
    void ValideProprietes();
    void ValideTouchesParticulieres();
    void ValideTouchesSysteme();
    void CliqueImage(bool ouvert);
    void ChoisitPage(int page);
    void SelectionneScenario(int ligne);
    void CreeScenario();
    void SupprimeScenario();
    void ChoisitType(int ligne);
    void CliquePartiel(bool coche);
    void FinEditionChemin();
    void EnregistreScenario();
    void ValideScenarios();

    QTabWidget* TabParam;
    PageConnexion* connexion;
    PageProprietes* proprietes;
    PageTouches* particulieres;
    PageTouches* systeme;
    PageScenarios* scenarios;
    const EtatParametrage& Etat() const { return etat_; }
    // The scenario editor's windows, opened by a double-click on a scenario.
    EditeurScenario& Editeur() { return *editeur_; }

protected:
    void closeEvent(QCloseEvent* evenement) override;

private:
    void Ouverture();
    // The port's state on the "&Connexion" page, and why it stays closed while lent.
    void MontreEtatPort();
    void ChargeScenarios();
    void ChargeScenForChoix();
    void LitRegistre();
    void Erreur(const QString& detail);
    bool EcritPort();
    void Rouvre(bool memeInactif);
    bool ValideTouches(PageTouches& page);
    void OublieScenarioSupprime(const QString& nom);

    ServicesParametrage s_;
    EtatParametrage etat_;
    EditeurScenario* editeur_; // a child of the window
    bool rouvertureEnCours_ = false;
};

} // namespace kovra
