#include "site_server/byte_range.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace mulan::site_server {
namespace {

constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max();

::testing::AssertionResult IsSingle(std::string_view header, std::uint64_t size, std::uint64_t first,
                                    std::uint64_t last) {
    const ByteRange range = ParseRange(header, size);
    if (range.kind == RangeKind::Single && range.first == first && range.last == last)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\"" << header << "\" of " << size << ": kind " << static_cast<int>(range.kind) << ", "
           << range.first << "-" << range.last << ", wanted " << first << "-" << last;
}

TEST(ByteRange, SingleRangesAreCutToTheFile) {
    struct Case {
        std::string_view header;
        std::uint64_t size, first, last;
    };
    const Case cases[] = {
        {"bytes=0-99", 1000, 0, 99},
        {"bytes=900-", 1000, 900, 999},
        {"bytes=900-5000", 1000, 900, 999},
        {"bytes=-100", 1000, 900, 999},
        {"bytes=-5000", 1000, 0, 999},
        {"bytes=-1000", 1000, 0, 999},
        {" bytes = 1 - 1 ", 1000, 1, 1},
        {"\tbytes=\t2-3\t", 1000, 2, 3},
        {"bytes=0-0", 1, 0, 0},
        {"bytes=999-999", 1000, 999, 999},
        {"bytes=0000000000000000000000000005-0000000000000000000000000007", 1000, 5, 7},
        // Numbers beyond 64 bits: a last position is cut to the end, a suffix is the whole file.
        {"bytes=5-99999999999999999999999999999", 1000, 5, 999},
        {"bytes=-99999999999999999999999999999", 1000, 0, 999},
        {"bytes=0-18446744073709551615", 1000, 0, 999},
        {"bytes=-18446744073709551616", 1000, 0, 999},
        {"bytes=18446744073709551614-", kHuge, 18446744073709551614u, 18446744073709551614u},
    };
    for (const Case& c : cases) EXPECT_TRUE(IsSingle(c.header, c.size, c.first, c.last));
}

TEST(ByteRange, HeadersThatAreIgnoredGiveTheWholeFile) {
    for (const std::string_view header :
         {"", "bytes=5-2", "bytes=0-1,5-6", "items=0-1", "bytes=", "bytes=-", "bytes=a-b", "0-1", "Bytes=0-1",
          "bytes=0-1-", "bytes=1 2-3", "bytes=0x1-2", "bytes=+1-2", "bytes=1--2", "bytes=\xd9\xa1-2",
          "bytes=99999999999999999999-99999999999999999998", "bytes=1000-999"}) {
        const ByteRange range = ParseRange(header, 1000);
        EXPECT_EQ(range.kind, RangeKind::WholeFile) << header;
    }
}

TEST(ByteRange, RangesOutsideTheFileAreUnsatisfiable) {
    struct Case {
        std::string_view header;
        std::uint64_t size;
    };
    const Case cases[] = {
        {"bytes=1000-", 1000},
        {"bytes=1000-2000", 1000},
        {"bytes=-0", 1000},
        {"bytes=-000", 1000},
        {"bytes=0-", 0},
        {"bytes=-5", 0},
        {"bytes=-99999999999999999999", 0},
        {"bytes=99999999999999999999-", 1000},
        {"bytes=18446744073709551616-", kHuge},
        {"bytes=99999999999999999999-99999999999999999999", kHuge},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRange(c.header, c.size).kind, RangeKind::Unsatisfiable)
            << c.header << " of " << c.size;
    }
}

TEST(ByteRange, HostileHeadersAreReadInOnePass) {
    // Megabytes of white space and digits are still one range, or none.
    const std::string spaces(1 << 20, ' ');
    EXPECT_TRUE(
        IsSingle(spaces + "bytes" + spaces + "=" + spaces + "10" + spaces + "-" + spaces + "20" + spaces,
                 1000, 10, 20));
    EXPECT_TRUE(
        IsSingle("bytes=" + std::string(1 << 20, '0') + "1-" + std::string(1 << 20, '9'), 1000, 1, 999));
    EXPECT_EQ(ParseRange("bytes=" + std::string(1 << 20, '9') + "-", 1000).kind, RangeKind::Unsatisfiable);
    EXPECT_EQ(ParseRange("bytes=" + std::string(1 << 20, '9') + "-" + std::string(1 << 20, '8'), 1000).kind,
              RangeKind::WholeFile);
    EXPECT_EQ(ParseRange(std::string(1 << 20, '-'), 1000).kind, RangeKind::WholeFile);
    std::string many = "bytes=0-1";
    for (int i = 0; i < 100000; ++i) many += ",2-3";
    EXPECT_EQ(ParseRange(many, 1000).kind, RangeKind::WholeFile);
}

TEST(ByteRange, WhiteSpaceIsWhatTheOldServerTookForIt) {
    for (const char space : {'\t', '\n', '\v', '\f', '\r', '\x1c', '\x1f', ' ', '\x85', '\xa0'})
        EXPECT_TRUE(IsSingle(std::string(1, space) + "bytes=1-2", 10, 1, 2)) << static_cast<int>(space);
    for (const char other : {'\0', '\x08', '\x0e', '\x1b', '\x7f', '\x84', '\xff'})
        EXPECT_EQ(ParseRange(std::string(1, other) + "bytes=1-2", 10).kind, RangeKind::WholeFile)
            << static_cast<int>(other);
}

}  // namespace
}  // namespace mulan::site_server
