#include "controls/playlist/cls_icon.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "support/recording_canvas.h"

namespace mulan::playlist {
namespace {

std::vector<uint8_t> ShippedPlayIcon() {
    std::ifstream file(MULAN_SOURCE_DIR "/resources/playicon.ico", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(ClsIcon, ShippedPlayIconIsOneTwelvePixelImageOf664Bytes) {
    ClsIcon icon;
    ASSERT_TRUE(icon.LoadFromData(ShippedPlayIcon()));
    EXPECT_EQ(icon.Count(), 1);
    EXPECT_EQ(icon.Width(0), 12);
    EXPECT_EQ(icon.Height(0), 12);
    EXPECT_EQ(icon.BitCount(0), 32);
    EXPECT_EQ(icon.Length(0), 664u);
    const auto data = icon.Data(0);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->size(), 664u);
    EXPECT_EQ((*data)[0], 40);  // a BITMAPINFOHEADER starts the image
    mulan::testing::RecordingCanvas canvas;
    EXPECT_TRUE(icon.Draw(canvas, 3, 4, 0));
    EXPECT_EQ(canvas.calls.back(), "icon 12x12 at 3,4 bytes 664");
    EXPECT_FALSE(icon.Width(1));
    EXPECT_FALSE(icon.Draw(canvas, 0, 0, -1));
}

TEST(ClsIcon, RefusesEmptyTruncatedAndLyingData) {
    ClsIcon icon;
    const uint8_t noImages[] = {0, 0, 1, 0, 0, 0};
    EXPECT_FALSE(icon.LoadFromData(noImages));
    EXPECT_FALSE(icon.LoadFromData({}));
    const uint8_t shortHeader[] = {0, 0, 1};
    EXPECT_FALSE(icon.LoadFromData(shortHeader));
    // Two images announced, one entry present.
    std::vector<uint8_t> truncated = ShippedPlayIcon();
    truncated[4] = 2;
    truncated.resize(6 + 16 + 8);
    EXPECT_FALSE(icon.LoadFromData(truncated));
    EXPECT_EQ(icon.Count(), 0);
    // An image that claims to run past the end of the data, and one that starts past it.
    std::vector<uint8_t> lying = ShippedPlayIcon();
    lying.resize(lying.size() - 1);
    ASSERT_TRUE(icon.LoadFromData(lying));
    EXPECT_FALSE(icon.Data(0));
    mulan::testing::RecordingCanvas canvas;
    EXPECT_FALSE(icon.Draw(canvas, 0, 0, 0));
    EXPECT_TRUE(canvas.calls.empty());
    lying = ShippedPlayIcon();
    lying[18] = 0xFF, lying[19] = 0xFF, lying[20] = 0xFF, lying[21] = 0xFF;
    ASSERT_TRUE(icon.LoadFromData(lying));
    EXPECT_FALSE(icon.Data(0));
}

TEST(ClsIcon, SurvivesRandomAndMutatedData) {
    std::mt19937 random(7);
    const std::vector<uint8_t> good = ShippedPlayIcon();
    mulan::testing::RecordingCanvas canvas;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        if (round % 2 == 0) {
            bytes.resize(random() % 64);
            for (auto& b : bytes) b = static_cast<uint8_t>(random());
        } else {
            for (int k = 0; k < 4; ++k) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
            bytes.resize(random() % (bytes.size() + 1));
        }
        ClsIcon icon;
        if (!icon.LoadFromData(bytes)) continue;
        for (int i = -1; i <= icon.Count(); ++i) {
            const auto data = icon.Data(i);
            if (data) {
                EXPECT_EQ(data->size(), *icon.Length(i));
            }
            icon.Draw(canvas, 0, 0, i);
        }
    }
}

TEST(ClsIcon, LoadFromFileNeedsAnOrdinaryFile) {
    struct Probe : FileProbe {
        bool exists = false;
        bool OrdinaryFileExists(TextView) override { return exists; }
    } probe;
    ClsIcon icon;
    const Text path = Utf8ToText(MULAN_SOURCE_DIR "/resources/playicon.ico");
    EXPECT_FALSE(icon.LoadFromFile(path, probe));
    probe.exists = true;
    EXPECT_TRUE(icon.LoadFromFile(path, probe));
    EXPECT_EQ(icon.Length(0), 664u);
}

}  // namespace
}  // namespace mulan::playlist
