#include "base/Windows1252.h"

#include <gtest/gtest.h>

using namespace kovra;

TEST(Windows1252, EveryByteComesBackUnchanged) {
    QByteArray tous;
    for (int i = 0; i < 256; ++i) {
        tous.append(static_cast<char>(i));
    }
    bool perte = true;
    EXPECT_EQ(EncodeWindows1252(DecodeWindows1252(tous), &perte), tous);
    EXPECT_FALSE(perte);
}

TEST(Windows1252, CharactersOfTheCodePage) {
    const struct {
        const char* octets;
        const char16_t* texte;
    } cas[] = {
        {"\xE9t\xE9", u"été"},
        {"\x80 \x9C\x8C", u"€ œŒ"},
        {"\x93"
         "cit\xE9"
         "\x94",
         u"“cité”"},
        {"\xC7\xE0", u"Çà"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(DecodeWindows1252(QByteArray(c.octets)), QString::fromUtf16(c.texte)) << c.octets;
        EXPECT_EQ(EncodeWindows1252(QString::fromUtf16(c.texte)), QByteArray(c.octets));
    }
}

TEST(Windows1252, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
    bool perte = false;
    EXPECT_EQ(EncodeWindows1252(QString::fromUtf16(u"a\u4E2Db\U0001F600c"), &perte), "a?b?c");
    EXPECT_TRUE(perte);
}

TEST(Windows1252, TellsUtf8FromWindows1252) {
    EXPECT_TRUE(EstUtf8NonAscii(QByteArray("caf\xC3\xA9")));
    EXPECT_FALSE(EstUtf8NonAscii(QByteArray("caf\xE9")));
    EXPECT_FALSE(EstUtf8NonAscii(QByteArray("plain ascii")));
}

TEST(Windows1252, ReadsAFileAsUtf8OnlyWhenEveryCharacterIsOneWindows1252Has) {
    const struct {
        QByteArray octets;
        bool utf8;
        const char16_t* texte;
    } cas[] = {
        {"caf\xC3\xA9", true, u"café"},
        {"\xE2\x82\xAC \xC5\x93", true, u"€ œ"}, // UTF-8 of characters of the code page
        {"caf\xE9", false, u"café"},             // not UTF-8 at all
        {"plain ascii", false, u"plain ascii"},
        // CAFÉ… in Windows-1252 is valid UTF-8 for CAFɅ, and Ʌ is no Windows-1252 character.
        {"CAF\xC9\x85", false, u"CAFÉ…"},
        {"\xC3\xA9t\xC3\xA9 \xE6\xBC\xA2", false, u"Ã©tÃ© æ¼¢"}, // one such character is enough
        {"\xF0\x9F\x98\x80", false, u"ðŸ˜€"},                    // beyond the basic plane
    };
    for (const auto& c : cas) {
        EXPECT_EQ(SeLitEnUtf8(c.octets), c.utf8) << c.octets.toHex().toStdString();
        EXPECT_EQ(c.utf8 ? QString::fromUtf8(c.octets) : DecodeWindows1252(c.octets),
                  QString::fromUtf16(c.texte))
            << c.octets.toHex().toStdString();
    }
    // Valid UTF-8 all the same, for the files Kovra itself writes in UTF-8.
    EXPECT_TRUE(EstUtf8NonAscii("CAF\xC9\x85"));
}
