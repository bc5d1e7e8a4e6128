#include "base/decimal_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace mulan {
namespace {

TEST(DecimalText, WritesEveryWholeNumberExactly) {
    EXPECT_EQ(DecimalText(0), u"0");
    EXPECT_EQ(DecimalText(7), u"7");
    EXPECT_EQ(DecimalText(-1), u"-1");
    EXPECT_EQ(DecimalText(1000), u"1000");
    EXPECT_EQ(DecimalText(-32768), u"-32768");
    EXPECT_EQ(DecimalText(std::numeric_limits<int64_t>::max()), u"9223372036854775807");
    // The one value whose magnitude has no int64_t of its own.
    EXPECT_EQ(DecimalText(std::numeric_limits<int64_t>::min()), u"-9223372036854775808");
}

TEST(DecimalText, PadsWithZerosAfterTheSignAndNeverCuts) {
    EXPECT_EQ(DecimalText(0, 2), u"00");
    EXPECT_EQ(DecimalText(7, 2), u"07");
    EXPECT_EQ(DecimalText(59, 2), u"59");
    // A minute count past two digits keeps all of them, as a clock of a long recording must.
    EXPECT_EQ(DecimalText(166, 2), u"166");
    EXPECT_EQ(DecimalText(-7, 3), u"-007");
    EXPECT_EQ(DecimalText(std::numeric_limits<int64_t>::min(), 2), u"-9223372036854775808");
    // No width asked for, or a nonsensical one, is the plain number.
    EXPECT_EQ(DecimalText(5, 0), u"5");
    EXPECT_EQ(DecimalText(5, -3), u"5");
}

}  // namespace
}  // namespace mulan
