#pragma once

#include <QString>

namespace kovra {

// The frame a text file taken off a terminal stands for: on each line every separator
// becomes a carriage return, a line not ending with one gets one, and a line feed marks the
// line's end (the field split ignores it). So "A;B;C" with ";" gives A, B and C, each
// ended by a carriage return. Lines end with CR, LF or CR LF; an empty separator leaves
// each line one field.
QString TrameImport(const QString& texte, const QString& separateur);

} // namespace kovra
