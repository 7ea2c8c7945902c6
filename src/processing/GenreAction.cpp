#include "processing/GenreAction.h"

namespace kovra {

GenreAction GenreDAction(const QString& action) {
    if (action.startsWith(QStringLiteral("&Timer"))) {
        return GenreAction::Timer;
    }
    if (!action.startsWith(u'&')) {
        return GenreAction::Texte;
    }
    static const struct {
        const char* jeton;
        GenreAction genre;
    } jetons[] = {
        {"&TAB", GenreAction::Tab},
        {"&DATE", GenreAction::Date},
        {"&PASSLIGNE", GenreAction::PasseLigne},
        {"&INCREMENT", GenreAction::Increment},
        {"&FERMER", GenreAction::Fermer},
        {"&OUVRIR_E", GenreAction::OuvrirE},
        {"&OUVRIR_S", GenreAction::OuvrirS},
        {"&VALIDER", GenreAction::Valider},
    };
    for (const auto& j : jetons) {
        if (action == QLatin1String(j.jeton)) {
            return j.genre;
        }
    }
    return GenreAction::Champ;
}

bool PrendChamp(const QString& action) {
    return GenreDAction(action) == GenreAction::Champ;
}

bool AvanceDansTrame(const QString& action) {
    return action.startsWith(u'&') || action.startsWith(u'^');
}

} // namespace kovra
