#include "app/like_pattern.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

TEST(LikePattern, CompletionPatternsFromTheSearchBox) {
    EXPECT_TRUE(LikePattern(u"周杰伦 晴天", u"周杰*"));
    EXPECT_FALSE(LikePattern(u"晴天 周杰伦", u"周杰*"));  // the entry must begin with the typed text
    EXPECT_FALSE(LikePattern(u"Luna", u"lu*"));           // case matters
    EXPECT_TRUE(LikePattern(u"abc", u"a?c*"));
    EXPECT_TRUE(LikePattern(u"a1c", u"a#c"));
    EXPECT_FALSE(LikePattern(u"abc", u"a#c"));
    EXPECT_TRUE(LikePattern(u"b-side", u"[a-c]*"));
    EXPECT_FALSE(LikePattern(u"b-side", u"[!a-c]*"));
    EXPECT_TRUE(LikePattern(u"[x", u"[x*"));  // an unclosed list is a plain "["
    EXPECT_TRUE(LikePattern(u"", u"*"));
    EXPECT_FALSE(LikePattern(u"", u"?"));
}

TEST(LikePattern, ManyStarsOnALongTextStayFast) {
    const Text text(20000, u'a');
    Text pattern;
    for (int i = 0; i < 200; ++i) pattern += u"*a";
    pattern += u"b";
    EXPECT_FALSE(LikePattern(text, pattern));
}

}  // namespace
}  // namespace mulan::app
