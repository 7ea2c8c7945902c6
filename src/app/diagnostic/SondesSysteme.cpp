#include "app/diagnostic/SondesSysteme.h"

#include "base/ErreurKovra.h"
#include "keyboard/FabriqueClavier.h"
#include "platform/Affichage.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QUuid>

namespace kovra {

std::optional<EtatAffichage> SondesSysteme::Affichage(const QString& nom) {
    return plateforme::SondeAffichageX11(nom);
}

std::optional<bool> SondesSysteme::NomSurBus(const QString& adresse, const QString& nom) {
    const QString connexion = QStringLiteral("kovra-diagnostic-") + QUuid::createUuid().toString();
    std::optional<bool> resultat;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(adresse, connexion);
        if (bus.isConnected() && bus.interface() != nullptr) {
            const QDBusReply<bool> reponse = bus.interface()->isServiceRegistered(nom);
            if (reponse.isValid()) {
                resultat = reponse.value();
            }
        }
    }
    QDBusConnection::disconnectFromBus(connexion);
    return resultat;
}

EtatClavier SondesSysteme::Clavier() {
    try {
        const auto clavier = CreeClavierSession();
        return {QString::fromStdString(clavier->Nom()),
                QString::fromStdString(clavier->Disposition()),
                {}};
    } catch (const ErreurKovra& e) {
        return {{}, {}, e.Message()};
    }
}

} // namespace kovra
