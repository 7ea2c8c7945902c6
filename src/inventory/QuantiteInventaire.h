#pragma once

#include <QLocale>
#include <QString>

namespace kovra::tallyra {

// The counted quantity of an inventory line as a number, read leniently the way the
// terminals' files need it: digits, "+" and "-" are kept; ".", "," and the user's decimal
// separator are taken as the decimal point; blanks, no-break spaces (U+00A0, U+202F) and
// the user's thousands separator are skipped; any other character ends the number. What
// is kept is then read as an optional sign, digits and at most one decimal point, up to
// the first character that does not fit: "1 234,5" gives 1234.5, "12kg" 12, "abc" 0.
// A number too large for a double gives infinity.
double MyVal(const QString& texte, const QLocale& locale);

// The quantity as the management application is sent it: in the user's number format,
// without thousands separators (which it would not read), up to 15 significant digits,
// and 0 rather than "-0".
QString TexteQuantite(double valeur, const QLocale& locale);

} // namespace kovra::tallyra
