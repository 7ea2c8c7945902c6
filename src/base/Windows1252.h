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

// True when the bytes hold valid UTF-8 with at least one character beyond ASCII, which
// is how a file saved by a Linux editor is told from one written in Windows-1252.
bool EstUtf8NonAscii(const QByteArray& octets);

// True when the bytes hold one of the five the code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D): such a text was written in some other 8-bit encoding.
bool HorsWindows1252(const QByteArray& octets);

} // namespace kovra
