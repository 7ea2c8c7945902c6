#pragma once

#include "inventory/ServeurLedgra.h"

#include <QDBusConnection>
#include <QVariantList>

class QDBusMessage;

namespace kovra::tallyra {

// The automation server reached over D-Bus: bus name and interface are the edition's
// programmatic identifier, the object path is "/". Every call goes to the unique name of
// the connection that owned the bus name at creation, so a server that restarts gives
// errors instead of a fresh instance that never saw Init. Calls wait for their answer
// without a time limit: a server that dies answers at once with an error, while a time-out
// would let a retry post a line twice.
class ServeurLedgraDBus : public ServeurLedgra {
public:
    // Starts the service through the bus when its name has no owner, then holds the owner.
    // Throws ErreurKovra when the bus or the server cannot be reached.
    static std::unique_ptr<ServeurLedgraDBus> Cree(const QDBusConnection& connexion,
                                                   qint16 edition);

    ResultatAppel Init(const QString& societe, const QString& second,
                       const QString& troisieme) override;
    ResultatAppel InitInventaire(const QString& depot) override;
    ResultatAppel InventaireArticle(const QString& depot, const QString& article,
                                    const QString& quantite) override;
    ResultatAppel ValidationInventaire(const QString& depot) override;
    bool Vivant() override;

private:
    ServeurLedgraDBus(const QDBusConnection& connexion, QString interface, QString proprietaire);
    ResultatAppel Appelle(const QString& methode, const QVariantList& arguments);

    QDBusConnection connexion_;
    QString interface_;
    QString proprietaire_;
};

// The answer of a call as a 16-bit integer: no value is 0, one value (a variant of it
// included) is converted by EntierReponse, an error reply or several values are errors.
ResultatAppel ReponseDBus(const QDBusMessage& reponse);

// Creates servers on the session bus.
FabriqueServeur FabriqueServeurDBus();

} // namespace kovra::tallyra
