#include "base/dpi_scale.h"

#include <gtest/gtest.h>

#include <limits>

#include "app/form1_layout.h"

namespace mulan {
namespace {

TEST(DpiScale, MetricsScaleByDpiOver96WithHalvesToEven) {
    EXPECT_EQ(ScaleToDpi(18, 96), 18);
    EXPECT_EQ(ScaleToDpi(18, 120), 22);  // 22.5
    EXPECT_EQ(ScaleToDpi(18, 144), 27);
    EXPECT_EQ(ScaleToDpi(17, 144), 26);  // 25.5
    EXPECT_EQ(ScaleToDpi(1, 144), 2);    // 1.5
    EXPECT_EQ(ScaleToDpi(1, 120), 1);    // 1.25
    EXPECT_EQ(ScaleToDpi(12, 192), 24);
    EXPECT_EQ(ScaleToDpi(-4, 144), -6);
    // A resolution the system did not give keeps the design.
    EXPECT_EQ(ScaleToDpi(18, 0), 18);
    EXPECT_EQ(ScaleToDpi(std::numeric_limits<int32_t>::max(), 480), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ScaleFromDpi(27, 144), 18);
    EXPECT_EQ(ScaleFromDpi(26, 144), 17);  // 17.33
}

TEST(DpiScale, TheMainWindowsTwipsFollowTheDpi) {
    using app::kForm1ClientHeightTwips;
    using app::kForm1ClientWidthTwips;
    EXPECT_EQ(TwipsToPixelsAt(kForm1ClientWidthTwips, 96), 314);
    EXPECT_EQ(TwipsToPixelsAt(kForm1ClientHeightTwips, 96), 490);
    EXPECT_EQ(TwipsToPixelsAt(kForm1ClientWidthTwips, 120), 392);   // 392.5
    EXPECT_EQ(TwipsToPixelsAt(kForm1ClientHeightTwips, 120), 612);  // 612.5
    EXPECT_EQ(TwipsToPixelsAt(kForm1ClientWidthTwips, 144), 471);
    EXPECT_EQ(TwipsToPixelsAt(kForm1ClientHeightTwips, 144), 735);
    // At 96 DPI the rule is the layout's own 15 twips a pixel, for every control.
    for (const app::ControlPlacement& p : app::kForm1Layout) {
        EXPECT_EQ(app::ToPixels(p, 96), app::ToPixels(p));
        const app::PixelRect at144 = app::ToPixels(p, 144);
        EXPECT_EQ(at144.left, TwipsToPixelsAt(p.left, 144));
        EXPECT_EQ(at144.height, TwipsToPixelsAt(p.height, 144));
    }
    EXPECT_EQ(app::ToPixels(app::Form1Placement(app::Form1Control::QMListBox1), 144),
              (app::PixelRect{0, 168, 470, 542}));
}

}  // namespace
}  // namespace mulan
