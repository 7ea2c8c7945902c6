#include "link/Transport.h"

namespace kovra {

QString DecritPerte(const PerteLiaison& perte) {
    using Cause = PerteLiaison::Cause;
    QString texte;
    switch (perte.cause) {
    case Cause::Debranche:
        return QStringLiteral("terminal ou câble débranché ?");
    case Cause::HoteInconnu:
        texte = QStringLiteral("le nom du serveur est inconnu");
        break;
    case Cause::Refusee:
        texte = QStringLiteral("connexion refusée : rien n'écoute sur ce port du serveur");
        break;
    case Cause::Injoignable:
        texte = QStringLiteral("le serveur est injoignable");
        break;
    case Cause::FermeeParServeur:
        texte = QStringLiteral("le serveur a fermé la connexion");
        break;
    case Cause::Silence:
        texte = QStringLiteral("le serveur ne répond plus");
        break;
    case Cause::Coupee:
        texte = QStringLiteral("la liaison réseau est coupée");
        break;
    case Cause::OptionRefusee:
        texte = QStringLiteral("le serveur refuse le réglage de la ligne (option RFC 2217) : "
                               "utilisez tcp:// ou activez RFC 2217 sur le serveur");
        break;
    case Cause::SansReponseOption:
        texte = QStringLiteral("le serveur ne répond pas à l'option RFC 2217 : est-ce bien un "
                               "serveur RFC 2217 ?");
        break;
    case Cause::ReglageRefuse:
        texte = QStringLiteral("le serveur refuse un réglage de la ligne");
        break;
    case Cause::MessageServeur:
        return QStringLiteral("le serveur dit : « %1 »").arg(perte.detail);
    }
    return perte.detail.isEmpty() ? texte : texte + QStringLiteral(" (") + perte.detail + u')';
}

} // namespace kovra
