#include "storage/NomScenario.h"

#include "base/Windows1252.h"

#include <QRegularExpression>

namespace kovra {

namespace {

// Longest name whose file name (with ".ini") fits the 255 bytes file systems allow.
constexpr qsizetype kOctetsMax = 251;

QString Refus(const QString& nom, const QString& raison) {
    return QStringLiteral("Le nom de scénario « %1 » ne peut pas servir de nom de fichier : %2.")
        .arg(nom, raison);
}

} // namespace

std::optional<QString> ProblemeNomScenario(const QString& nom) {
    if (nom.trimmed().isEmpty()) {
        return QStringLiteral("Le nom du scénario est vide.");
    }
    if (nom == u"." || nom == u"..") {
        return Refus(nom, QStringLiteral("il désigne un dossier"));
    }
    for (const QChar c : nom) {
        if (c.unicode() < 32 || c.unicode() == 127) {
            return Refus(nom, QStringLiteral("il contient un caractère de contrôle"));
        }
        if (QStringLiteral("<>:\"/\\|?*").contains(c)) {
            return Refus(nom, QStringLiteral("il contient le caractère « %1 »").arg(c));
        }
    }
    if (nom.endsWith(u'.') || nom.endsWith(u' ')) {
        return Refus(nom, QStringLiteral("il se termine par un point ou un blanc"));
    }
    static const QRegularExpression reserve(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    if (reserve.match(nom).hasMatch()) {
        return Refus(nom, QStringLiteral("Windows réserve ce nom à un périphérique"));
    }
    if (nom.toUtf8().size() > kOctetsMax) {
        return Refus(nom, QStringLiteral("il est trop long"));
    }
    return std::nullopt;
}

std::optional<QString> ProblemeNouveauNomScenario(const QString& nom) {
    if (auto probleme = ProblemeNomScenario(nom)) {
        return probleme;
    }
    if (!TientEnWindows1252(nom)) {
        return QStringLiteral("Le nom de scénario « %1 » ne peut contenir que des caractères "
                              "Windows-1252.")
            .arg(nom);
    }
    return std::nullopt;
}

std::optional<QString> ProblemeAction(const QString& champs) {
    if (champs.isEmpty()) {
        return QStringLiteral("une action ne peut pas être vide.");
    }
    if (champs.contains(u'@')) {
        return QStringLiteral("une action ne peut pas contenir « @ » (%1).").arg(champs);
    }
    if (champs.contains(u'\r') || champs.contains(u'\n')) {
        return QStringLiteral("une action tient sur une ligne.");
    }
    // The compiled file is Windows-1252 text: anything else would come back as "?".
    if (!TientEnWindows1252(champs)) {
        return QStringLiteral("une action ne peut contenir que des caractères Windows-1252 (%1).")
            .arg(champs);
    }
    return std::nullopt;
}

} // namespace kovra
