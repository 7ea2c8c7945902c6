#pragma once

#include <QString>

// The texts the Wayland typing tests type: each as a key string for kovra-cli and as the text
// the receiving window must then hold.
namespace kovra::test {

struct TexteFrappe {
    QString touches; // the key string
    QString attendu; // what it types
};

// The key string that types `texte` as it stands: tabs and line ends as {TAB} and {ENTER},
// the characters the key syntax reads as commands in braces.
QString EnTouches(const QString& texte);

// `n` characters of barcode-like records, the same on every call: fields of digits, letters,
// '-', '/' and '.', separated by tabs, records ended by line ends.
TexteFrappe Enregistrements(qsizetype n);

// `n` characters of French text with accents, capitals with accents, ligatures, quotes, the
// euro sign and the key syntax's own signs, in paragraphs of about 400 characters (a GTK
// window sends the desktop its whole line after each key: a line of thousands of characters
// is typed slowly on purpose, and measured by the benchmark instead).
TexteFrappe FrancaisLibre(qsizetype n);

// `n` characters of French text made only of characters the French layout (fr) has on its
// keys without a dead key: é è à ç ù € µ § ° £ ² and ASCII, in paragraphs.
TexteFrappe FrancaisDispositionFr(qsizetype n);
// Those characters beyond ASCII.
inline const QString kHorsAsciiFr = QStringLiteral("éèàçù€µ§°£²");

// Where `recu` first differs from `attendu`, with a little of each around it (tabs and line
// ends shown as \t and \n), and both lengths.
QString Difference(const QString& attendu, const QString& recu);

} // namespace kovra::test
