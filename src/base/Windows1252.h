#pragma once

#include <QByteArray>
#include <QString>

namespace kovra {

// Windows-1252, the 8-bit text of every file and serial frame Kovra shares with the
// Windows program. The five bytes the code page leaves undefined map to the C1 control
// characters of the same value, as Windows does, so decoding and encoding again gives
// back the very same bytes.
QString DecodeWindows1252(const QByteArray& octets);

// Characters the code page cannot hold become "?"; `perte` (when given) tells whether
// that happened.
QByteArray EncodeWindows1252(const QString& texte, bool* perte = nullptr);

// True when the bytes hold valid UTF-8 with at least one character beyond ASCII.
[[nodiscard]] bool EstUtf8NonAscii(const QByteArray& octets);

// True when a file of these bytes is to be read as UTF-8: valid UTF-8 with characters
// beyond ASCII, every one of which Windows-1252 holds. Kovra's files can hold only
// Windows-1252 characters, so bytes that decode to any other ("CAF\xC9\x85", CAFÉ… in
// Windows-1252, is valid UTF-8 for "CAFɅ") are Windows-1252. This is how a file saved by
// a Linux editor is told from one written in Windows-1252.
[[nodiscard]] bool SeLitEnUtf8(const QByteArray& octets);

// True when every character of the text exists in Windows-1252.
[[nodiscard]] bool TientEnWindows1252(QStringView texte);

// True when the bytes hold one of the five the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D): such a text was written in some other 8-bit encoding.
[[nodiscard]] bool HorsWindows1252(const QByteArray& octets);

} // namespace kovra
