#include "app/display_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace mulan::app {
namespace {

TEST(GetMusicLong, FormatsMinutesSecondsAndRoundedHundredths) {
    EXPECT_EQ(GetMusicLong(83.456), u"01:23.46");
    EXPECT_EQ(GetMusicLong(59.996), u"01:00.00");
    EXPECT_EQ(GetMusicLong(0), u"00:00.00");
    EXPECT_EQ(GetMusicLong(5999.99), u"99:59.99");
    EXPECT_EQ(GetMusicLong(6000), u"100:00.00");
    EXPECT_EQ(GetMusicLong(10000.5), u"166:40.50");  // not cut back to four digits
    EXPECT_EQ(GetMusicLong(-3), u"00:00.00");
    EXPECT_EQ(GetMusicLong(std::nan("")), u"00:00.00");
}

TEST(LyricLineFor, LastMatchingLineWinsAndUntaggedLinesNeverShow) {
    const std::vector<Text> lyrics = {u"[00:12.34][01:05.00]Hello", u"[00:20.00]second",
                                      u"[00:21.00]it is 01:23", u"no tags 00:12 here",
                                      u"[00:12.90]same second, later line"};
    EXPECT_EQ(LyricLineFor(lyrics, u"00:12.50"), u"same second, later line");
    EXPECT_EQ(LyricLineFor(lyrics, u"01:05.99"), u"Hello");
    EXPECT_EQ(LyricLineFor(lyrics, u"01:23.00"), u"it is 01:23");  // the text itself holds the key
    EXPECT_FALSE(LyricLineFor(lyrics, u"00:30.00"));
    EXPECT_EQ(LyricLineFor({u"[00:01.00]"}, u"00:01.00"), u"");  // a tag with no text empties the label
}

TEST(ToolTips, PlaylistTipLosesEverySpace) {
    EXPECT_EQ(PlaylistToolTip(u"1001", u"Let It Be"), u"ID：1001\r\n\t曲名：LetItBe");
    EXPECT_EQ(StatusBarToolTip(u"正在播放：A", u"正在播放"), u"正在播放：A  \r\n正在播放");
}

}  // namespace
}  // namespace mulan::app
