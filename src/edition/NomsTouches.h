#pragma once

#include <QString>
#include <QStringList>

namespace kovra {

// The two groups of keys whose names Touche.ini keeps: the special keys (function keys and
// the signs of the key strings) and the system keys.
enum class GenreTouches { Particulieres, Systeme };

// What a group is made of: its section of Touche.ini, the slot number of its first key
// (the others follow), and the fixed labels of its keys, in order.
struct GroupeTouches {
    QString section;
    int premierCode;
    QStringList libelles;

    int Nombre() const { return static_cast<int>(libelles.size()); }
};

// "Particuliere", slots 0 to 14: "F1" to "F12", "+", "%", "^".
// "systeme", slots 15 to 37: "BACKSPACE" to "ALT".
GroupeTouches Groupe(GenreTouches genre);

// The longest name a key may have: with its slot number it must fit in one value of the file.
inline constexpr int kLongueurNomTouche = 2048;

// The names of the first `nombre` keys of a section of Touche.ini in the data folder: the
// part of each value before its first "@". A key that is missing, or whose value has no
// "@", gives an empty name; so does a file that is missing or cannot be read.
QStringList LitNomsTouches(const QString& dossierDonnees, const QString& section, int nombre);

// Why a name cannot be stored for the key labelled `libelle`, as told to the user; empty
// when it can. Refused: "@" (it ends the name, and what follows would be read as another
// slot), a line break, and a name too long for the file.
QString RefusNomTouche(const QString& libelle, const QString& nom);
// The first refusal among the names of a group (labels and names in the same order).
QString RefusNomsTouches(const QStringList& libelles, const QStringList& noms);

// Stores the names in the section of Touche.ini in the data folder: key " i" takes the
// name, "@", a blank and the slot number premierCode + i (" 0" = "F1@ 0"). Every other line
// of the file stays as it was. All the names are stored or none: a name that the file
// cannot hold as it is, or a file that cannot be written, throws ErreurKovra with a
// message naming the file, and the file is left unchanged.
void EcritNomsTouches(const QString& dossierDonnees, const QString& section,
                      const QStringList& noms, int premierCode);

} // namespace kovra
