#include "inventory/FichierErreurs.h"

#include "base/ErreurKovra.h"
#include "base/Windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kovra::tallyra {

QString LigneArticleManquant(const QString& code) {
    return QStringLiteral("L'article : ") + code +
           QStringLiteral(" n'existe pas dans la ledgra en cours");
}

void AjouteArticlesManquants(const QString& chemin, const QStringList& codes) {
    if (codes.isEmpty()) {
        return;
    }
    QString texte;
    const bool nouveau = !QFileInfo::exists(chemin);
    if (nouveau) {
        texte += kEnteteErreurs + QStringLiteral("\r\n\r\n");
    }
    for (const QString& code : codes) {
        texte += LigneArticleManquant(code) + QStringLiteral("\r\n");
    }
    const QByteArray octets = EncodeWindows1252(texte);
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(octets) != octets.size() ||
        !f.flush()) {
        throw ErreurKovra(QStringLiteral("le fichier %1 ne peut pas être écrit (%2)")
                              .arg(QDir::toNativeSeparators(chemin), f.errorString()));
    }
}

} // namespace kovra::tallyra
