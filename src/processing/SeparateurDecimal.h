#pragma once

#include <QString>

namespace kovra {

// Puts the chosen decimal separator into an output text. When the text holds a ".",
// every "." becomes the separator; otherwise every "," does. The separator "x" removes
// the zero decimals ".00" (or ",00") that end a number instead. With no separator chosen yet, "."
// is used, the one the settings window proposes.
void AppliqueSeparateurDecimal(QString& sortie, const QString& separateur);

} // namespace kovra
