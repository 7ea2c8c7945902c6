#include "inventory/ServeurLedgraDBus.h"

#include "base/ErreurKovra.h"
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <limits>

namespace kovra::tallyra {

namespace {

// libdbus reads this time-out as "wait for ever".
constexpr int kSansLimite = std::numeric_limits<int>::max();

QString Description(const QDBusError& e) {
    return e.message().isEmpty() ? e.name() : e.message();
}

} // namespace

ServeurLedgraDBus::ServeurLedgraDBus(const QDBusConnection& connexion, QString interface,
                                     QString proprietaire)
    : connexion_(connexion), interface_(std::move(interface)),
      proprietaire_(std::move(proprietaire)) {}

std::unique_ptr<ServeurLedgraDBus> ServeurLedgraDBus::Cree(const QDBusConnection& connexion,
                                                           qint16 edition) {
    const QString nom = NomServeurLedgra(edition);
    QDBusConnectionInterface* bus = connexion.interface();
    if (!connexion.isConnected() || bus == nullptr) {
        throw ErreurKovra(QStringLiteral("le bus de session D-Bus n'est pas joignable (%1)")
                              .arg(Description(connexion.lastError())));
    }
    QDBusReply<QString> proprietaire = bus->serviceOwner(nom);
    if (!proprietaire.isValid()) {
        const QDBusReply<void> demarrage = bus->startService(nom);
        if (!demarrage.isValid()) {
            throw ErreurKovra(QStringLiteral("le serveur %1 ne peut pas être démarré (%2)")
                                  .arg(nom, Description(demarrage.error())));
        }
        proprietaire = bus->serviceOwner(nom);
        if (!proprietaire.isValid()) {
            throw ErreurKovra(QStringLiteral("le serveur %1 ne peut pas être joint (%2)")
                                  .arg(nom, Description(proprietaire.error())));
        }
    }
    return std::unique_ptr<ServeurLedgraDBus>(
        new ServeurLedgraDBus(connexion, nom, proprietaire.value()));
}

ResultatAppel ServeurLedgraDBus::Appelle(const QString& methode, const QVariantList& arguments) {
    QDBusMessage appel =
        QDBusMessage::createMethodCall(proprietaire_, QStringLiteral("/"), interface_, methode);
    appel.setArguments(arguments);
    return ReponseDBus(connexion_.call(appel, QDBus::Block, kSansLimite));
}

ResultatAppel ServeurLedgraDBus::Init(const QString& societe, const QString& second,
                                      const QString& troisieme) {
    return Appelle(QStringLiteral("Init"), {societe, second, troisieme});
}

ResultatAppel ServeurLedgraDBus::InitInventaire(const QString& depot) {
    return Appelle(QStringLiteral("InitInventaire"), {depot});
}

ResultatAppel ServeurLedgraDBus::InventaireArticle(const QString& depot, const QString& article,
                                                   const QString& quantite) {
    return Appelle(QStringLiteral("InventaireArticle"), {depot, article, quantite});
}

ResultatAppel ServeurLedgraDBus::ValidationInventaire(const QString& depot) {
    return Appelle(QStringLiteral("ValidationInventaire"), {depot});
}

bool ServeurLedgraDBus::Vivant() {
    QDBusConnectionInterface* bus = connexion_.interface();
    if (!connexion_.isConnected() || bus == nullptr) {
        return false;
    }
    const QDBusReply<bool> enregistre = bus->isServiceRegistered(proprietaire_);
    return enregistre.isValid() && enregistre.value();
}

ResultatAppel ReponseDBus(const QDBusMessage& reponse) {
    if (reponse.type() == QDBusMessage::ErrorMessage) {
        // The user reads what happened in French; the bus's own words follow for the
        // administrator.
        const QString detail =
            reponse.errorMessage().isEmpty()
                ? reponse.errorName()
                : reponse.errorName() + QStringLiteral(" : ") + reponse.errorMessage();
        const QDBusError::ErrorType genre = QDBusError(reponse).type();
        const bool partie = genre == QDBusError::ServiceUnknown || genre == QDBusError::NoReply ||
                            genre == QDBusError::Disconnected || genre == QDBusError::NoServer ||
                            genre == QDBusError::Timeout ||
                            reponse.errorName() == u"org.freedesktop.DBus.Error.NameHasNoOwner";
        return ResultatAppel::Erreur(
            (partie ? QStringLiteral("La ledgra s'est arrêtée pendant l'importation")
                    : QStringLiteral("La ledgra a répondu par une erreur")) +
                QStringLiteral(" (D-Bus : ") + detail + u')',
            partie ? Remise::Inconnue : Remise::Refusee);
    }
    if (reponse.type() != QDBusMessage::ReplyMessage) {
        return ResultatAppel::Erreur(QStringLiteral("réponse D-Bus invalide"), Remise::Inconnue);
    }
    const QVariantList valeurs = reponse.arguments();
    if (valeurs.isEmpty()) {
        return ResultatAppel::Valeur(0);
    }
    if (valeurs.size() > 1) {
        return ResultatAppel::Erreur(QStringLiteral("Incompatibilité de type"), Remise::Recue);
    }
    QVariant v = valeurs.front();
    if (v.userType() == qMetaTypeId<QDBusVariant>()) {
        v = qvariant_cast<QDBusVariant>(v).variant();
    }
    return EntierReponse(v);
}

FabriqueServeur FabriqueServeurDBus() {
    return [](qint16 edition) -> std::unique_ptr<ServeurLedgra> {
        return ServeurLedgraDBus::Cree(QDBusConnection::sessionBus(), edition);
    };
}

} // namespace kovra::tallyra
