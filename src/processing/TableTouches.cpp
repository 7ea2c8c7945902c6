#include "processing/TableTouches.h"

#include "storage/DossierDonnees.h"
#include "storage/FichierProfil.h"

namespace kovra {

QString TableTouches::Cherche(const QString& nom) const {
    for (int i = kTaille - 1; i >= 0; --i) {
        if (Entrees[i].nom == nom) {
            return Entrees[i].touches;
        }
    }
    return {};
}

TableTouches ChargeTableTouches(const QString& dossierDonnees) {
    const DocumentProfil touche = DocumentProfil::Charge(CheminDonnee(dossierDonnees, kTouche));
    const DocumentProfil corres = DocumentProfil::Charge(CheminDonnee(dossierDonnees, kCorres));
    TableTouches table;
    int e = 0;
    const struct {
        const char* section;
        int nombre;
    } sections[] = {{"Particuliere", 15}, {"systeme", 23}};
    for (const auto& s : sections) {
        for (int i = 0; i < s.nombre; ++i, ++e) {
            const QString brut = touche.Lit(QString::fromLatin1(s.section), QString::number(i));
            const qsizetype at = brut.indexOf(u'@');
            QString nom;
            int slot = 0;
            if (at >= 0) {
                nom = brut.left(at);
                slot = brut.mid(at + 1).trimmed().toInt();
            }
            table.Entrees[e] = {
                nom, corres.Lit(QStringLiteral("Correspondance"), QString::number(slot))};
        }
    }
    return table;
}

} // namespace kovra
