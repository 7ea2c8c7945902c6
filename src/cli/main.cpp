#include "Cli.h"
#include "DossierDonnees.h"
#include "Registre.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream sortie(stdout);
    QTextStream erreurs(stderr);
    QFile entree;
    entree.open(stdin, QIODevice::ReadOnly);
    kovra::Registre registre;
    const int statut = kovra::ExecuteCli(app.arguments().mid(1), sortie, erreurs, entree, registre,
                                         kovra::DossierDefautsInstalles());
    sortie.flush();
    erreurs.flush();
    return statut;
}
