#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <numeric>
#include <thread>
#include <vector>

#include "player/compressed_bytes.h"
#include "player/pcm_window.h"

namespace mulan::player {
namespace {

std::vector<uint8_t> Counting(size_t n, uint8_t from = 0) {
    std::vector<uint8_t> bytes(n);
    std::iota(bytes.begin(), bytes.end(), from);
    return bytes;
}

TEST(CompressedBytes, ReadWaitsForArrivalAndEndsShortAtTheEnd) {
    CompressedBytes bytes;
    bytes.SetLength(8);
    bytes.Append(Counting(4));
    std::vector<uint8_t> into(6);
    auto read = std::async(std::launch::async, [&] { return bytes.Read(2, into); });
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    bytes.Append(Counting(2, 4));
    bytes.End(false);
    ASSERT_EQ(read.get(), std::optional<size_t>(4));  // bytes 2..5, the body ended at 6
    EXPECT_EQ(into[0], 2);
    EXPECT_EQ(into[3], 5);
    EXPECT_EQ(bytes.length(), 6u);  // what arrived, not what was announced
    EXPECT_EQ(bytes.Read(6, into), std::optional<size_t>(0));
}

TEST(CompressedBytes, CancelWakesAWaitingReadAndABlockedWriter) {
    CompressedBytes bytes(16);
    std::vector<uint8_t> into(4);
    auto read = std::async(std::launch::async, [&] { return bytes.Read(100, into); });
    // A body without a length may not run a whole window ahead of its reader.
    bytes.Append(Counting(16));
    auto write = std::async(std::launch::async, [&] { bytes.Append(Counting(16)); });
    EXPECT_EQ(write.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    bytes.Cancel();
    EXPECT_EQ(read.get(), std::nullopt);
    write.get();
    EXPECT_EQ(bytes.Read(0, into), std::nullopt);
    EXPECT_EQ(bytes.held(), 0u);
}

TEST(CompressedBytes, EndlessBodyKeepsASlidingWindow) {
    constexpr size_t window = 1024;
    CompressedBytes bytes(window);
    std::vector<uint8_t> into(256);
    uint64_t at = 0;
    for (int i = 0; i < 200; ++i) {
        bytes.Append(Counting(256, static_cast<uint8_t>(i)));
        ASSERT_EQ(bytes.Read(at, into), std::optional<size_t>(256));
        EXPECT_EQ(into[0], static_cast<uint8_t>(i));
        at += 256;
        EXPECT_LE(bytes.held(), 2 * window);
    }
    EXPECT_EQ(bytes.length(), CompressedBytes::kUnknownLength);
    // Gone from the window: fails rather than waits.
    EXPECT_EQ(bytes.Read(0, into), std::nullopt);
    // A probe far beyond the stream (a trailing tag) does not wait for ever.
    EXPECT_EQ(bytes.Read(CompressedBytes::kUnknownLength - 128, into), std::optional<size_t>(0));
}

TEST(PcmWindow, ReadsByFrameSkipsRepeatsAndDropsWhatLiesFarBehind) {
    PcmWindow window(2, 4);
    std::vector<int16_t> samples(20);
    std::iota(samples.begin(), samples.end(), int16_t{0});  // frames 0..9
    window.Add(0, samples);
    window.Add(8, std::vector<int16_t>{16, 17, 18, 19, 20, 21});  // frames 8..10, 8 and 9 again
    EXPECT_EQ(window.end(), 11u);
    std::vector<int16_t> into(6);
    ASSERT_EQ(window.Read(9, into), 2u);
    EXPECT_EQ(into[0], 18);
    EXPECT_EQ(into[3], 21);
    EXPECT_EQ(window.ahead(), 0u);
    EXPECT_EQ(window.first(), 5u);  // 9 - keepBehind
    EXPECT_TRUE(window.Covers(5));
    EXPECT_FALSE(window.Covers(4));
    EXPECT_EQ(window.Read(4, into), 0u);
    // A gap (after a seek) starts the window again there.
    window.Add(100, std::vector<int16_t>{1, 2});
    EXPECT_EQ(window.first(), 100u);
    EXPECT_EQ(window.end(), 101u);
}

}  // namespace
}  // namespace mulan::player
