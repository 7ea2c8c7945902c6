#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace kovra::tallyra {

// The counted quantity of an inventory line as a number, read leniently the way the
// terminals' files need it: digits, "+" and "-" are kept; ".", "," and the user's decimal
// separator are taken as the decimal point; blanks, no-break spaces (U+00A0, U+202F) and
// the user's thousands separator are skipped; any other character ends the number. What
// is kept is then read as an optional sign, digits and at most one decimal point, up to
// the first character that does not fit: "1 234,5" gives 1234.5, "12kg" 12, "abc" 0.
// A number too large for a double gives infinity.
double MyVal(const QString& texte, const QLocale& locale);

// The leading number of a quantity, read as MyVal reads it, kept as its digits: the
// integer part without leading zeros, the decimals without trailing zeros (both empty for
// 0, which is never negative).
struct NombreLu {
    bool negatif = false;
    QString entiers;
    QString decimales;

    qsizetype ChiffresSignificatifs() const;
};
NombreLu LitNombre(const QString& texte, const QLocale& locale);

// The quantity as the management application is sent it: its digits exactly as the file
// gives them, in the user's number format, never in exponent form nor with thousands
// separators (which it would not read), and 0 rather than "-0". Nothing when it has more
// than 15 significant digits, which the management application cannot hold exactly.
std::optional<QString> TexteQuantite(const QString& texte, const QLocale& locale);

} // namespace kovra::tallyra
