#include "processing/VidageDonnees.h"

namespace kovra {

void VidageDonnees(QStringView trame, EtatTraitement& etat, Progression& progression) {
    SuiviProgression suivi(progression);
    suivi.Libelle(QString());
    suivi.Libelle(QStringLiteral("Vidage des données en cours....."));
    suivi.Valeur(0);

    etat.TexteChamps.clear();
    etat.TexteChamps.reserve(trame.size());
    etat.ChampsTrame.clear();
    qsizetype debutMorceau = 0;
    const qsizetype longueur = trame.size();
    for (qsizetype i = 0; i < longueur; ++i) {
        const char16_t c = trame[i].unicode();
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        etat.TexteChamps.append(trame.mid(debutMorceau, i - debutMorceau));
        debutMorceau = i + 1;
        if (c == u'\r') {
            etat.ChampsTrame.push_back(etat.TexteChamps.size());
            suivi.Valeur(static_cast<int>((i + 1) * 50 / longueur));
        }
    }
    etat.TexteChamps.append(trame.mid(debutMorceau));
    etat.ChampsTrame.push_back(etat.TexteChamps.size());
    etat.NbChamps = static_cast<qsizetype>(etat.ChampsTrame.size()) - 1;
    etat.IndexChamp = etat.NbChamps;
    suivi.Valeur(50);
}

} // namespace kovra
