#include "base/GardeFinale.h"
#include "cli/Cli.h"
#include "storage/DossierDonnees.h"
#include "storage/Registre.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QTextStream erreurs(stderr);
    const auto signale = [&](const QString& message) {
        erreurs << "kovra-cli: erreur inattendue : " << message << "\n";
        erreurs.flush();
    };
    // A failure escaping an event handler leaves the command's work in an unknown state.
    kovra::ApplicationProtegee<QCoreApplication> app(argc, argv, [&](const QString& message) {
        signale(message);
        std::exit(kovra::kStatutErreurInterne);
    });
    return kovra::ExecuteProtege(
        [&] {
            QTextStream sortie(stdout);
            QFile entree;
            if (!entree.open(stdin, QIODevice::ReadOnly)) {
                erreurs << "kovra-cli: standard input cannot be read\n";
            }
            kovra::Registre registre;
            const int statut = kovra::ExecuteCli(app.arguments().mid(1), sortie, erreurs, entree,
                                                 registre, kovra::DossierDefautsInstalles());
            sortie.flush();
            erreurs.flush();
            return statut;
        },
        signale);
}
