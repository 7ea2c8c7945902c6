#pragma once

#include <QIODevice>
#include <QStringList>
#include <QTextStream>

namespace kovra {

class Registre;

// Runs one kovra-cli command line (without the program name) and returns the exit
// status: 0 done, 1 failed (message on `erreurs`), 2 the command line is wrong, 128 + the
// signal's number when a signal stopped the command once its work was put in order.
int ExecuteCli(const QStringList& arguments, QTextStream& sortie, QTextStream& erreurs,
               QIODevice& entree, Registre& registre, const QString& dossierDefauts);

} // namespace kovra
