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
