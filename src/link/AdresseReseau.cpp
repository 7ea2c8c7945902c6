#include "link/AdresseReseau.h"

namespace kovra {

namespace {

const QString kSchemaBrut = QStringLiteral("tcp://");
const QString kSchemaRfc2217 = QStringLiteral("rfc2217://");

// The text after the scheme and the mode it names; nothing when neither scheme starts it.
std::optional<std::pair<AdresseReseau::Mode, QString>> Schema(const QString& texte) {
    if (texte.startsWith(kSchemaBrut, Qt::CaseInsensitive)) {
        return std::pair{AdresseReseau::Mode::Brut, texte.mid(kSchemaBrut.size())};
    }
    if (texte.startsWith(kSchemaRfc2217, Qt::CaseInsensitive)) {
        return std::pair{AdresseReseau::Mode::Rfc2217, texte.mid(kSchemaRfc2217.size())};
    }
    return std::nullopt;
}

// A host name or address: letters, digits and the signs names and addresses use.
bool HoteValide(const QString& hote, bool ipv6) {
    if (hote.isEmpty() || hote.size() > 253) {
        return false;
    }
    for (const QChar c : hote) {
        const bool permis = (c.unicode() < 128 && c.isLetterOrNumber()) || c == u'.' || c == u'-' ||
                            c == u'_' || (ipv6 && (c == u':' || c == u'%'));
        if (!permis) {
            return false;
        }
    }
    return true;
}

// The address, or why it is not one.
std::variant<AdresseReseau, QString> Analyse(const QString& texte) {
    const auto schema = Schema(texte);
    if (!schema) {
        return QStringLiteral("« %1 » n'est pas une adresse réseau").arg(texte);
    }
    AdresseReseau a;
    a.mode = schema->first;
    const QString reste = schema->second;
    QString hote;
    QString port;
    bool ipv6 = false;
    if (reste.startsWith(u'[')) {
        const qsizetype fin = reste.indexOf(u']');
        if (fin < 0 || reste.mid(fin + 1, 1) != u":") {
            return QStringLiteral("l'adresse IPv6 doit être entre crochets, suivie de « : » et "
                                  "du port (tcp://[::1]:2000)");
        }
        hote = reste.mid(1, fin - 1);
        port = reste.mid(fin + 2);
        ipv6 = true;
    } else {
        const qsizetype deuxPoints = reste.lastIndexOf(u':');
        if (deuxPoints < 0) {
            return QStringLiteral("il manque le port après le nom de l'hôte (%1HOTE:PORT)")
                .arg(texte.left(texte.size() - reste.size()));
        }
        hote = reste.left(deuxPoints);
        port = reste.mid(deuxPoints + 1);
    }
    if (!HoteValide(hote, ipv6)) {
        return hote.isEmpty() ? QStringLiteral("le nom de l'hôte est vide")
                              : QStringLiteral("le nom d'hôte « %1 » n'est pas valide").arg(hote);
    }
    bool ok = false;
    const uint numero = port.toUInt(&ok);
    if (!ok || numero == 0 || numero > 65535 || port.startsWith(u'+')) {
        return QStringLiteral("le port « %1 » n'est pas un numéro de 1 à 65535").arg(port);
    }
    a.hote = hote;
    a.port = static_cast<quint16>(numero);
    return a;
}

} // namespace

bool EstAdresseReseau(const QString& peripherique) {
    return Schema(peripherique).has_value();
}

std::optional<AdresseReseau> LitAdresseReseau(const QString& peripherique) {
    const auto resultat = Analyse(peripherique);
    if (const auto* a = std::get_if<AdresseReseau>(&resultat)) {
        return *a;
    }
    return std::nullopt;
}

std::optional<QString> ProblemeAdresseReseau(const QString& peripherique) {
    if (!EstAdresseReseau(peripherique)) {
        return std::nullopt;
    }
    const auto resultat = Analyse(peripherique);
    if (const auto* raison = std::get_if<QString>(&resultat)) {
        return QStringLiteral("L'adresse réseau « %1 » ne peut pas servir : %2.")
            .arg(peripherique, *raison);
    }
    return std::nullopt;
}

QString TexteAdresseReseau(const AdresseReseau& a) {
    const QString hote = a.hote.contains(u':') ? u'[' + a.hote + u']' : a.hote;
    return (a.mode == AdresseReseau::Mode::Rfc2217 ? kSchemaRfc2217 : kSchemaBrut) + hote + u':' +
           QString::number(a.port);
}

} // namespace kovra
