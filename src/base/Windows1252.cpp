#include "base/Windows1252.h"

#include <QStringDecoder>
#include <array>
#include <optional>

namespace kovra {

namespace {

// Code points of bytes 0x80 to 0x9F; the others map to the code point of the same value.
constexpr std::array<char16_t, 32> kPlage80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int OctetPour(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return c;
    }
    for (std::size_t i = 0; i < kPlage80.size(); ++i) {
        if (kPlage80[i] == c) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

} // namespace

QString DecodeWindows1252(const QByteArray& octets) {
    QString texte(octets.size(), Qt::Uninitialized);
    QChar* sortie = texte.data();
    for (qsizetype i = 0; i < octets.size(); ++i) {
        const auto o = static_cast<unsigned char>(octets[i]);
        sortie[i] = (o >= 0x80 && o < 0xA0) ? QChar(kPlage80[o - 0x80]) : QChar(o);
    }
    return texte;
}

QByteArray EncodeWindows1252(const QString& texte, bool* perte) {
    QByteArray octets(texte.size(), Qt::Uninitialized);
    bool perdu = false;
    qsizetype n = 0;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const char16_t c = texte[i].unicode();
        int o = OctetPour(c);
        if (o < 0) {
            perdu = true;
            o = '?';
            // A character outside the basic plane is one "?", not two.
            if (QChar::isHighSurrogate(c) && i + 1 < texte.size() &&
                QChar::isLowSurrogate(texte[i + 1].unicode())) {
                ++i;
            }
        }
        octets[n++] = static_cast<char>(o);
    }
    octets.truncate(n);
    if (perte != nullptr) {
        *perte = perdu;
    }
    return octets;
}

namespace {

bool ToutAscii(const QByteArray& octets) {
    for (const char o : octets) {
        if (static_cast<unsigned char>(o) >= 0x80) {
            return false;
        }
    }
    return true;
}

// The text of valid UTF-8 bytes; nothing when they are not.
std::optional<QString> DecodeUtf8Strict(const QByteArray& octets) {
    QStringDecoder decodeur(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texte = decodeur.decode(octets);
    if (decodeur.hasError()) {
        return std::nullopt;
    }
    return texte;
}

} // namespace

bool EstUtf8NonAscii(const QByteArray& octets) {
    return !ToutAscii(octets) && DecodeUtf8Strict(octets).has_value();
}

bool TientEnWindows1252(QStringView texte) {
    for (const QChar c : texte) {
        if (OctetPour(c.unicode()) < 0) {
            return false;
        }
    }
    return true;
}

bool SeLitEnUtf8(const QByteArray& octets) {
    if (ToutAscii(octets)) {
        return false;
    }
    const std::optional<QString> texte = DecodeUtf8Strict(octets);
    return texte && TientEnWindows1252(*texte);
}

bool HorsWindows1252(const QByteArray& octets) {
    for (const char o : octets) {
        const auto c = static_cast<unsigned char>(o);
        if (c >= 0x80 && c < 0xA0 && kPlage80[c - 0x80] == c) {
            return true;
        }
    }
    return false;
}

} // namespace kovra
