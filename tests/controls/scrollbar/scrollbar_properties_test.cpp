#include "controls/scrollbar/scrollbar_properties.h"

#include <gtest/gtest.h>

namespace mulan::scrollbar {
namespace {

TEST(ScrollbarProperties, MissingKeysReadAsDefaultsAndKeysIgnoreCase) {
    EXPECT_EQ(ReadScrollbarProperties(u""), ScrollbarProperties{});
    const ScrollbarProperties p = ReadScrollbarProperties(
        u"max = 400\r\nLARGECHANGE=25\r\nshowbuttons=False\r\nEnabled=0\nChangeFrequency=10\nOrientation=1");
    EXPECT_EQ(p.max, 400);
    EXPECT_EQ(p.largeChange, 25);
    EXPECT_FALSE(p.showButtons);
    EXPECT_FALSE(p.enabled);
    EXPECT_EQ(p.changeFrequency, 10) << "stored as read";
    EXPECT_EQ(p.orientation, 1);
    EXPECT_EQ(p.min, 0);
}

TEST(ScrollbarProperties, HostileValuesFallBackToDefaults) {
    const ScrollbarProperties p =
        ReadScrollbarProperties(u"Max=99999999999\nMin=abc\nValue=\nSmallChange=-2147483648\n=5\nnoequals");
    EXPECT_EQ(p.max, 100);
    EXPECT_EQ(p.min, 0);
    EXPECT_EQ(p.value, 0);
    EXPECT_EQ(p.smallChange, -2147483647 - 1);
}

TEST(ScrollbarProperties, WritingLeavesDefaultsOutAndReadsBack) {
    EXPECT_EQ(WriteScrollbarProperties({}), u"");
    ScrollbarProperties p;
    p.enabled = false;
    p.max = 7;
    p.changeDelay = 250;
    p.showButtons = false;
    EXPECT_EQ(WriteScrollbarProperties(p),
              u"Enabled=False\r\nMax=7\r\nChangeDelay=250\r\nShowButtons=False\r\n");
    EXPECT_EQ(ReadScrollbarProperties(WriteScrollbarProperties(p)), p);
}

}  // namespace
}  // namespace mulan::scrollbar
