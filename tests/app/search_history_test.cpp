#include "app/search_history.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

TEST(SearchHistoryTest, KeepsEachSearchOnceInOrderWithCaseApart) {
    SearchHistory history;
    EXPECT_TRUE(history.Remember(u"周杰伦"));
    EXPECT_TRUE(history.Remember(u"Love"));
    EXPECT_FALSE(history.Remember(u"周杰伦"));
    EXPECT_TRUE(history.Remember(u"love"));
    EXPECT_EQ(history.Entries(), (std::vector<Text>{u"周杰伦", u"Love", u"love"}));
}

// The typed text is a pattern: wildcards in it complete too, and the oldest fitting entry wins.
TEST(SearchHistoryTest, CompletesFromTheFirstEntryTheTypedTextBegins) {
    SearchHistory history;
    history.Remember(u"青花瓷");
    history.Remember(u"Love Story");
    history.Remember(u"Love Me");
    EXPECT_EQ(history.CompletionOf(u"Lo"), u"Love Story");
    EXPECT_EQ(history.CompletionOf(u"青"), u"青花瓷");
    EXPECT_EQ(history.CompletionOf(u"L?ve M"), u"Love Me");
    EXPECT_EQ(history.CompletionOf(u"lo"), std::nullopt);
    EXPECT_EQ(history.CompletionOf(u"   "), std::nullopt);
    EXPECT_EQ(history.CompletionOf(u""), std::nullopt);
    EXPECT_EQ(history.CompletionOf(u"稻香"), std::nullopt);
}

}  // namespace
}  // namespace mulan::app
