#include "base/text.h"

#include <gtest/gtest.h>

namespace mulan {
namespace {

TEST(Text, Utf8RoundTripKeepsChineseAndAstralCharacters) {
    const std::string utf8 = "沐岚 music \xF0\x9F\x8E\xB5";
    const Text text = Utf8ToText(utf8);
    EXPECT_EQ(text, u"沐岚 music \U0001F3B5");
    EXPECT_EQ(TextToUtf8(text), utf8);
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    // A lone continuation byte, a truncated sequence at the end, an overlong form and a surrogate.
    EXPECT_EQ(Utf8ToText("a\x80z"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToText("ab\xE6\xB2"), u"ab\uFFFD");
    EXPECT_EQ(Utf8ToText("\xC0\xAF"), u"\uFFFD");
    EXPECT_EQ(Utf8ToText("\xED\xA0\x80"), u"\uFFFD");
    // A lone surrogate in UTF-16 cannot be written as UTF-8.
    EXPECT_EQ(TextToUtf8(Text(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace mulan
