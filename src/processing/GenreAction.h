#pragma once

#include <QString>

namespace kovra {

// What an action of a scenario does when a frame is processed, told from its text alone.
enum class GenreAction {
    Texte,      // a special key name (looked up in braces) or text passed through as it is
    Timer,      // "&Timer", with an optional pause after one separator character
    Champ,      // a field token ("&CODE", "&QTY", "&EMP", any other "&..."): takes a field
    Tab,        // "&TAB"
    Date,       // "&DATE"
    PasseLigne, // "&PASSLIGNE"
    Increment,  // "&INCREMENT"
    Fermer,     // "&FERMER"
    OuvrirE,    // "&OUVRIR_E"
    OuvrirS,    // "&OUVRIR_S"
    Valider,    // "&VALIDER"
};

GenreAction GenreDAction(const QString& action);

// True when the action takes the next field of the record.
[[nodiscard]] bool PrendChamp(const QString& action);

// True when the action moves through the frame (it begins with "&" or "^").
[[nodiscard]] bool AvanceDansTrame(const QString& action);

} // namespace kovra
