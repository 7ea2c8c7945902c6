#pragma once

#include "dialogues/Dialogues.h"
#include "inventory/BaseArticles.h"
#include "inventory/LignesInventaire.h"
#include "inventory/ServeurLedgra.h"

#include <QLocale>
#include <QObject>
#include <QStringList>
#include <vector>

namespace kovra::tallyra {

// What an import needs: the codes, the files and the edition of the management
// application; `dossier` is Tallyra's folder, which holds Err_Inventaire.txt.
struct DemandeImport {
    QString societe;
    QString depot;
    QString fichierInventaire;
    QString baseLedgra;
    qint16 edition = 1;
    QString dossier;
};

// How an import reports to whoever runs it (the window or the batch mode).
class SuiviImport {
public:
    virtual ~SuiviImport() = default;
    // The current stage ("Importation des données ...").
    virtual void Etat(const QString& texte) = 0;
    // The share of the lines posted, 0 to 100.
    virtual void Progression(int pourcent) = 0;
    // A message for the user: the end of the import, the missing articles, an error.
    // Icone::Aucune is the plain completion message.
    virtual void Message(const QString& texte, Icone icone) = 0;
    // The system's short sound at the end of a completed import.
    virtual void Bip() = 0;
};

enum class IssueImport { EnCours, Validee, Refusee, Erreur, Abandonnee };

struct BilanImport {
    IssueImport issue = IssueImport::EnCours;
    int lignesAPoster = 0;         // counted lines whose article was found
    int lignesPostees = 0;         // lines the management application took
    QStringList articlesManquants; // as listed in Err_Inventaire.txt
    QString message;               // the refusal or error message shown

    // Validated with every counted line posted.
    bool Complete() const { return issue == IssueImport::Validee && articlesManquants.isEmpty(); }
};

// One import of an inventory file, run step by step so the event loop keeps running
// between steps (only a call to the management application waits).
//
// A preparation pass reads the whole file, looks every code up and lists the missing
// ones in Err_Inventaire.txt before the first call, so a broken database or file stops
// the import before anything is posted. Then: Init, InitInventaire, one InventaireArticle
// per found line, ValidationInventaire, and the closing step that releases the server.
// After an error the server stays held in `tenu` for the next import, which reuses it only
// for the same edition and while it is alive.
class ImportInventaire : public QObject {
    Q_OBJECT

public:
    ImportInventaire(DemandeImport demande, ServeurTenu& tenu, FabriqueServeur fabrique,
                     SuiviImport& suivi, const QLocale& locale = QLocale(),
                     QObject* parent = nullptr);

    // Runs the steps one per turn of the event loop; Fini is emitted after the last.
    void Lance();
    // Runs one step; false once the import is over.
    [[nodiscard]] bool AvanceUnPas();
    // Runs every step at once (tests, or a caller with its own thread).
    void Execute();

    // While suspended, the steps Lance runs wait (the user is asked whether to abandon);
    // Reprend goes on where they stopped.
    void Suspend();
    void Reprend();
    // Ends the import where it stands: nothing more is posted, nothing is validated, the
    // server is released.
    void Abandonne();
    // The question asked before abandoning, naming the lines already posted; empty once the
    // inventory is validated, when stopping loses nothing.
    QString QuestionAbandon() const;

    bool Termine() const { return phase_ == Phase::Fini; }
    const BilanImport& Bilan() const { return bilan_; }

signals:
    void Fini();

private:
    enum class Phase {
        Preparation,
        Recherche,
        Ouverture,
        Creation,
        Init,
        InitInventaire,
        Lignes,
        Validation,
        Fermeture,
        Fini,
    };
    struct LigneAPoster {
        int numero;
        QString article;
        QString quantite;
    };

    void Prepare();
    void Recherche();
    void RechercheLigne(const LigneInventaire& l);
    void FinRecherche();
    void Fermeture();
    void ErreurPreparation(const QString& description);
    void ErreurAppel(const QString& description);

    DemandeImport demande_;
    ServeurTenu& tenu_;
    FabriqueServeur fabrique_;
    SuiviImport& suivi_;
    QLocale locale_;
    Phase phase_ = Phase::Preparation;
    BaseArticles base_;
    std::vector<LigneInventaire> lues_;
    std::vector<LigneAPoster> aPoster_;
    size_t index_ = 0;
    int dixiemesMontres_ = -1; // the tenth of the preparation last shown
    bool suspendu_ = false;
    bool pasEnAttente_ = false; // a step came due while suspended
    BilanImport bilan_;
    // Lines looked up in one turn of the event loop.
    static constexpr std::size_t kLignesParPas = 2000;
};

} // namespace kovra::tallyra
