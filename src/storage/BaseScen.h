#pragma once

#include "base/ErreurKovra.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

class QSqlQuery;

namespace kovra {

// A row of table Scenarios. A Null number reads as 0 and a Null text as empty.
struct LigneScenario {
    qint16 Numero = 0;
    QString Nom;
    QString Type;
    qint16 Trame = 0;  // partial-frame flag
    qint16 Specif = 0; // numbered output files
    QString Chemin;    // output file of a file scenario
    qint16 NbrTrame = 0;
    int Boucle = 0;
    int Depart = 0;
};

// A row of table Actions.
struct LigneAction {
    qint16 NumAction = 0;
    QString Champs;
    int PlaceTrame = 0;
};

// How a missing database file is met.
enum class OuvertureBase {
    // Created with its tables and a counter row: when the data folder is made ready.
    CreeSiAbsente,
    // An error (ErreurKovra): once the program runs, a database that went away is never
    // replaced by an empty one, which would start the counter again.
    Existante,
};

// Thrown when another program holds the database locked for longer than the connection
// waits: what was asked may succeed when asked again later.
class ErreurBaseOccupee : public ErreurKovra {
public:
    using ErreurKovra::ErreurKovra;
};

// How long a connection waits, by default, for another program to release the database.
inline constexpr int kAttenteBaseOccupee = 5000;

// The scenario database Scen.db: tables Scenarios, Actions and Increment. Every value goes
// into the statements as a bound parameter, so any text (apostrophes included) is stored as
// typed. A failing statement throws ErreurKovra with the database's explanation;
// ErreurBaseOccupee when another program held the database locked for `attenteOccupee`
// milliseconds (0: not waited for at all, which never holds the event loop).
class BaseScen {
public:
    explicit BaseScen(const QString& chemin, OuvertureBase ouverture = OuvertureBase::CreeSiAbsente,
                      int attenteOccupee = kAttenteBaseOccupee);
    ~BaseScen();
    BaseScen(const BaseScen&) = delete;
    BaseScen& operator=(const BaseScen&) = delete;

    const QString& Chemin() const { return chemin_; }

    // Scenarios
    QStringList ListeNoms();
    // The first row so named, as the rows come.
    std::optional<qint16> NumeroParNom(const QString& nom);
    std::optional<QString> NomParNumero(qint16 numero);
    std::optional<LigneScenario> LitScenario(qint16 numero);
    // The largest number plus 1, or 1 for an empty table.
    qint16 ProchainNumero();
    void InsereScenario(const LigneScenario& ligne);
    // Removes the scenario and its actions together.
    void SupprimeScenario(qint16 numero);
    void MetAJourChemin(qint16 numero, const QString& chemin);
    void MetAJourCheminSpecif(qint16 numero, const QString& chemin, qint16 specif);
    void MetAJourBoucle(qint16 numero, int boucle);
    void MetAJourDepart(qint16 numero, int depart);

    // Actions
    // The scenario's actions in ascending NumAction (rows of equal number in the order
    // they were added).
    std::vector<LigneAction> Actions(qint16 numero);
    // The highest NumAction of the scenario, 0 when it has none.
    qint16 DernierNumAction(qint16 numero);
    // Adds one row; also fills a number that LibereNumero left free.
    void InsereAction(qint16 numero, qint16 numAction, const QString& champs, int placeTrame);
    // The editor's changes, each all or nothing. Numbers are NumAction values, from 1; the
    // loop and start positions of the scenario are left as they are.
    // Sets the text of action numAction and, when given, its place in the frame (else the
    // place is kept).
    void ModifieAction(qint16 numero, qint16 numAction, const QString& champs,
                       std::optional<int> placeTrame);
    // Moves action numAction and every one after it one number up, leaving numAction free.
    void LibereNumero(qint16 numero, qint16 numAction);
    // LibereNumero then InsereAction at the freed number, together.
    void InsereActionAvant(qint16 numero, qint16 numAction, const QString& champs, int placeTrame);
    // Removes action numAction and moves the ones after it one number down.
    void SupprimeAction(qint16 numero, qint16 numAction);
    // Numbers the scenario's actions 1, 2, 3... in their present order, without gaps.
    void RenumeroteActions(qint16 numero);

    // Counter of the "&INCREMENT" token: the first row's value, if there is a row. A value
    // that is no whole number from -32768 to 32767 (text, Null, binary data, a number out of
    // range) throws ErreurKovra, its code the error number, its message saying what the
    // column holds.
    std::optional<qint16> LitCompteur();
    void EcritCompteur(qint16 valeur);
    // Reads the counter and stores it plus 1, in one step so that two programs never
    // hand out the same value. Nothing when the table has no row. Throws ErreurKovra when
    // the value cannot be read (see LitCompteur) or cannot grow (16-bit maximum).
    std::optional<qint16> AvanceCompteur();

private:
    QSqlQuery Execute(const QString& sql, const QVariantList& valeurs = {});
    [[noreturn]] void Echec(const QString& quoi, const QString& explication,
                            const QString& code = QString()) const;
    void Transaction(const auto& travail);
    void Decale(qint16 numero, int aPartirDe, int ecart);

    QString chemin_;
    QString nomConnexion_;
    QSqlDatabase db_;
};

// The statements that create the database's tables (each may run again on an existing
// file), without their comment lines.
QStringList InstructionsSchemaScen();

// Integer column values: Null, text that is no number, or a number outside 16 bits read 0.
qint16 Entier16(const QVariant& v);
int Entier32(const QVariant& v);

} // namespace kovra
