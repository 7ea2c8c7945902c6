// tallyra: posts a terminal's inventory file to the management application, from its
// window, or with --batch from a script.

#include "dialogues/DialoguesQt.h"
#include "inventory/DossierTallyra.h"
#include "inventory/FenetreInventaire.h"
#include "inventory/ModeBatch.h"
#include "inventory/ServeurLedgraDBus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    if (arguments.contains(QStringLiteral("--batch"))) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tallyra"));
        return kovra::tallyra::ExecuteModeBatch(QCoreApplication::arguments());
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tallyra"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Posts an inventory file to the management application. With --batch, without the "
        "window: tallyra --batch --inventory FILE [--company C] [--depot D] [--edition 1|2] "
        "[--database PATH] [--dir DIR]"));
    p.addHelpOption();
    const QCommandLineOption dossier(QStringLiteral("dir"), QStringLiteral("Tallyra's folder."),
                                     QStringLiteral("dir"));
    p.addOption(dossier);
    p.process(app);
    kovra::DialoguesQt dialogues;
    kovra::tallyra::FenetreInventaire fenetre(
        kovra::tallyra::ResoutDossierTallyra(p.value(dossier)), dialogues,
        kovra::tallyra::FabriqueServeurDBus());
    fenetre.show();
    return QApplication::exec();
}
