#include "dialogues/TraductionsQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kovra {

bool ChargeTraductionsQt(QCoreApplication& application, const QString& dossier) {
    // The application owns it: it lives as long as the texts are used.
    auto* traducteur = new QTranslator(&application);
    const QString ou =
        dossier.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : dossier;
    // The programs are French whatever the session's language.
    if (!traducteur->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                          QStringLiteral("_"), ou)) {
        delete traducteur;
        return false;
    }
    QCoreApplication::installTranslator(traducteur);
    return true;
}

} // namespace kovra
