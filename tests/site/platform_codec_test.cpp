#include <gtest/gtest.h>

#include "site/encode_query.h"
#include "site/platform_codec.h"
#include "site/site_error.h"

namespace mulan::site {
namespace {

using testing::PlatformCodec;

TEST(PlatformCodec, DecodesGbkAndUtf8) {
    EXPECT_EQ(PlatformCodec().Decode("Hi \xB8\xE8 \xE3\xE5\xE1\xB0", kCharsetGb2312), u"Hi 歌 沐岚");
    EXPECT_EQ(PlatformCodec().Decode("\xB8\xE8", u"GBK"), u"歌");
    EXPECT_EQ(PlatformCodec().Decode("\xE6\xAD\x8C", kCharsetUtf8), u"歌");
    EXPECT_EQ(PlatformCodec().Decode("\xE6\xAD\x8C", u"utf-8"), u"歌");
    EXPECT_EQ(PlatformCodec().Decode("", kCharsetGb2312), u"");
}

TEST(PlatformCodec, InvalidBytesBecomeReplacementCharacters) {
    // A lone lead byte at the end, a lead byte before a byte that cannot follow it, a byte that is never
    // valid.
    EXPECT_EQ(PlatformCodec().Decode("a\x81", kCharsetGb2312), u"a\uFFFD");
    EXPECT_EQ(PlatformCodec().Decode("\x81 b", kCharsetGb2312), u"\uFFFD b");
    EXPECT_EQ(PlatformCodec().Decode("\xFFz\xB8\xE8", kCharsetGb2312), u"\uFFFDz歌");
    const Text utf8 = PlatformCodec().Decode("a\x80z\xE6\xAD", kCharsetUtf8);
    ASSERT_GE(utf8.size(), 4u);
    EXPECT_EQ(utf8.substr(0, 3), u"a\uFFFDz");
    EXPECT_EQ(utf8.substr(3).find_first_not_of(u'\uFFFD'), Text::npos);
}

// The site's decorations (and the other codes GBK leaves to private use) read alike on every platform,
// so the cleaning of song names that removes them works in mulan-cli as in the player.
TEST(PlatformCodec, GbkPrivateUseCodesReadAsCodePage936ReadsThem) {
    const std::string bytes =
        "\xA9\xA2\xD7\xFA\xD7\xFB\xD7\xFC\xD7\xFD\xD7\xFE\xAA\xA1\xA1\x80\xFE\xA0\xA6\xF3";
    const Text characters = u"\uE7FF\uE810\uE811\uE812\uE813\uE814\uE000\uE505\uE864\uE796";
    EXPECT_EQ(PlatformCodec().Decode(bytes, kCharsetGb2312), characters);
    EXPECT_EQ(PlatformCodec().Encode(characters, kCharsetGb2312), bytes);
}

TEST(PlatformCodec, EncodesGbkWithQuestionMarksForWhatItLacks) {
    EXPECT_EQ(PlatformCodec().Encode(u"歌a", kCharsetGb2312),
              "\xB8\xE8"
              "a");
    EXPECT_EQ(PlatformCodec().Encode(u"\u0E01", kCharsetGb2312), "?");
    EXPECT_EQ(PlatformCodec().Encode(Text(1, char16_t{0xD800}), kCharsetGb2312), "?");
    EXPECT_EQ(PlatformCodec().Encode(u"歌", kCharsetUtf8), "\xE6\xAD\x8C");
    EXPECT_THROW(PlatformCodec().Decode("x", u"latin-9"), SiteError);
    EXPECT_THROW(PlatformCodec().Encode(u"x", u"latin-9"), SiteError);
}

TEST(PlatformCodec, QueryEncodingWorkedExamples) {
    EXPECT_EQ(EncodeQuery(u"Hi 歌 9", PlatformCodec()), u"Hi%20%B8%E8%209");
    EXPECT_EQ(EncodeQuery(u"_~&=", PlatformCodec()), u"%5F%7E%26%3D");
    EXPECT_EQ(EncodeQuery(u"\t", PlatformCodec()), u"%9");
    EXPECT_EQ(EncodeQuery(u"柳如云", PlatformCodec()), u"%C1%F8%C8%E7%D4%C6");
    EXPECT_EQ(EncodeQuery(u"何夏 blues", PlatformCodec()), u"%BA%CE%CF%C4%20blues");
    EXPECT_EQ(EncodeQuery(u"\u0E01\U0001F3B5", PlatformCodec()), u"%3F%3F%3F");
}

}  // namespace
}  // namespace mulan::site
