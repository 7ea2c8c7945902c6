// tallyra: posts a terminal's inventory file to the management application, from its
// window, or with --batch from a script.

#include "base/GardeFinale.h"
#include "base/Version.h"
#include "dialogues/DialoguesQt.h"
#include "dialogues/TraductionsQt.h"
#include "inventory/DossierTallyra.h"
#include "inventory/FenetreInventaire.h"
#include "inventory/ModeBatch.h"
#include "inventory/ServeurLedgraDBus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>

namespace {

// Every option of both modes, so that --help (and the manual page made from it) tells
// them all. The batch options are read again by the batch mode itself.
QCommandLineOption DecritOptions(QCommandLineParser& p) {
    p.setApplicationDescription(QStringLiteral(
        "Posts an inventory file from a barcode terminal to the management application "
        "(Ledgra) over the D-Bus session bus. Without --batch it opens its window; with "
        "--batch it runs without a window, writes its messages on standard error and exits "
        "0 when the inventory was validated with every line posted, 1 otherwise, 2 for a "
        "wrong command line."));
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption dossier(
        QStringLiteral("dir"),
        QStringLiteral("Tallyra's folder (default: $TALLYRA_DIR, else ~/.local/share/tallyra)."),
        QStringLiteral("dir"));
    p.addOption(dossier);
    p.addOptions({
        {QStringLiteral("batch"), QStringLiteral("Run without the window.")},
        {QStringLiteral("inventory"), QStringLiteral("--batch: the inventory file to post."),
         QStringLiteral("file")},
        {QStringLiteral("company"),
         QStringLiteral("--batch: company code (default: the saved setting)."),
         QStringLiteral("code")},
        {QStringLiteral("depot"),
         QStringLiteral("--batch: depot code (default: the saved setting)."),
         QStringLiteral("code")},
        {QStringLiteral("edition"),
         QStringLiteral("--batch: 1 for Ledgra Expert, 2 for Ledgra 8 (default: the saved "
                        "setting)."),
         QStringLiteral("1|2")},
        {QStringLiteral("database"),
         QStringLiteral("--batch: the article database (default: the saved setting)."),
         QStringLiteral("path")},
    });
    return dossier;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const auto demande = [&](std::initializer_list<const char*> options) {
        for (const char* o : options) {
            if (arguments.contains(QLatin1String(o))) {
                return true;
            }
        }
        return false;
    };
    // Help and version need no display: they are answered before any window system is
    // asked for.
    if (demande({"--help", "-h", "-?", "--help-all", "--version", "-v"})) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tallyra"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(kovra::kVersionTexte));
        QCommandLineParser p;
        DecritOptions(p);
        p.process(app);
        return 0;
    }
    const auto signale = [](const QString& message) {
        std::fprintf(stderr, "tallyra: erreur inattendue : %s\n", qPrintable(message));
    };
    if (demande({"--batch"})) {
        kovra::ApplicationProtegee<QCoreApplication> app(argc, argv, signale);
        QCoreApplication::setApplicationName(QStringLiteral("tallyra"));
        return kovra::ExecuteProtege(
            [] { return kovra::tallyra::ExecuteModeBatch(QCoreApplication::arguments()); },
            signale);
    }
    kovra::ApplicationProtegee<QApplication> app(argc, argv, [signale](const QString& message) {
        signale(message);
        QMessageBox::critical(nullptr, kovra::tallyra::kTitreTallyra,
                              QStringLiteral("Erreur inattendue : ") + message +
                                  QStringLiteral("\r\n\r\nTallyra va se fermer."));
    });
    QApplication::setApplicationName(QStringLiteral("tallyra"));
    QApplication::setApplicationVersion(QString::fromLatin1(kovra::kVersionTexte));
    QApplication::setDesktopFileName(QStringLiteral("tallyra"));
    QCommandLineParser p;
    const QCommandLineOption dossier = DecritOptions(p);
    p.process(app);
    // Qt's own buttons and file dialog in French, like the rest of the window.
    kovra::ChargeTraductionsQt(app);
    return kovra::ExecuteProtege(
        [&] {
            kovra::DialoguesQt dialogues;
            kovra::tallyra::FenetreInventaire fenetre(
                kovra::tallyra::ResoutDossierTallyra(p.value(dossier)), dialogues,
                kovra::tallyra::FabriqueServeurDBus());
            fenetre.show();
            return QApplication::exec();
        },
        signale);
}
