#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace kovra::tallyra {

// What became of a call that failed: the management application answered with an error
// (it did not take the call), it answered but its answer could not be read (it took the
// call), or it went away during the call (nobody knows).
enum class Remise { Refusee, Recue, Inconnue };

// What one call to the management application gave: its answer as a 16-bit integer, or
// the description of the error that took its place and what became of the call.
struct ResultatAppel {
    bool ok = false;
    qint16 valeur = 0;
    QString erreur;
    Remise remise = Remise::Refusee;

    static ResultatAppel Valeur(qint16 v) { return {true, v, {}, Remise::Recue}; }
    static ResultatAppel Erreur(const QString& e, Remise r = Remise::Refusee) {
        return {false, 0, e, r};
    }
    // The inventory is open only on true, which is -1 as an integer.
    bool Vrai() const { return ok && valeur == -1; }
};

// The management application's automation server, as the import calls it. All arguments
// are texts; each call waits for its answer.
class ServeurLedgra {
public:
    virtual ~ServeurLedgra() = default;

    virtual ResultatAppel Init(const QString& societe, const QString& second,
                               const QString& troisieme) = 0;
    virtual ResultatAppel InitInventaire(const QString& depot) = 0;
    virtual ResultatAppel InventaireArticle(const QString& depot, const QString& article,
                                            const QString& quantite) = 0;
    virtual ResultatAppel ValidationInventaire(const QString& depot) = 0;
    // True while the server instance that took the earlier calls can still take more.
    virtual bool Vivant() = 0;
};

// The programmatic identifier of an edition: "Ledgra.ClsProjet" for 1 (and anything but
// 2), "Ledgra8.ClsProjet" for 2.
QString NomServeurLedgra(qint16 edition);

// Creates the server of an edition; throws ErreurKovra with the reason when it cannot.
using FabriqueServeur = std::function<std::unique_ptr<ServeurLedgra>(qint16 edition)>;

// The server an import leaves to the next one, with the edition it was created for.
struct ServeurTenu {
    std::unique_ptr<ServeurLedgra> serveur;
    qint16 edition = 0;
};

// An answer as a 16-bit integer, the way the management application's results are read:
// true is -1, false 0; integers must fit; a double or a text holding a number is rounded to
// the nearest integer, halves to the even one. Anything else, or a number out of range,
// is an error.
ResultatAppel EntierReponse(const QVariant& valeur);

} // namespace kovra::tallyra
