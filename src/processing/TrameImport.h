#pragma once

#include <QString>

namespace kovra {

// The frame a text file taken off a terminal stands for: on each line every separator
// becomes a carriage return, a line not ending with one gets one, and a line feed marks the
// line's end (the field split ignores it). So "A;B;C" with ";" gives A, B and C, each
// ended by a carriage return. Lines end with CR, LF or CR LF; a blank line is no record
// and is skipped (it would type a stray field); an empty separator leaves each line one
// field.
QString TrameImport(const QString& texte, const QString& separateur);

// The same for one line, without its line end, added to `trame`.
void AjouteLigneImport(QString& trame, QStringView ligne, const QString& separateur);

} // namespace kovra
