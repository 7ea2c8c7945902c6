#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace kovra::tallyra {

// One counted line of an inventory file, as read.
struct LigneInventaire {
    int numero = 0;   // line number in the file, from 1
    QString texte;    // without its line end
    QString code;     // field 1: article code or barcode
    QString quantite; // field 2 as read; empty when no ";" follows it
};

// The lines of an inventory file: Windows-1252 (valid UTF-8 is taken as such, a UTF-8
// signature dropped), lines ending with CR LF, LF or a lone CR, the last one with or
// without an end. Blank lines are left out, keeping the numbers of the others. Fields end
// with ";": a field not followed by one is empty.
std::vector<LigneInventaire> LignesInventaire(const QByteArray& octets);

} // namespace kovra::tallyra
