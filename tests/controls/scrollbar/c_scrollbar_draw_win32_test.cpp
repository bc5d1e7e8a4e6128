#include "controls/scrollbar/c_scrollbar_draw_win32.h"

#include <gtest/gtest.h>

#include "dib_canvas_win32.h"

namespace mulan::scrollbar {
namespace {

using testing::DibCanvas;

class ScrollbarDrawTest : public ::testing::Test {
  protected:
    cScrollbarDraw draw{GetModuleHandleW(nullptr)};
    DibCanvas canvas{120, 60, RGB(1, 2, 3)};
};

TEST_F(ScrollbarDrawTest, LoadsAllTwelveSkinBitmapsAtTheirSizes) {
    ASSERT_TRUE(draw.AllLoaded());
    EXPECT_EQ(draw.Surface(SkinThumbV).Width(), 68);
    EXPECT_EQ(draw.Surface(SkinThumbV).Height(), 15);
    EXPECT_EQ(GetPixel(draw.Surface(SkinArrowVT).hdc(), 0, 0), kMaskColour)
        << "glyph backgrounds are magenta";
    EXPECT_EQ(GetPixel(draw.Surface(SkinGripV).hdc(), 4, 25), kMaskColour)
        << "a vertical thumb shows no grip";
}

TEST_F(ScrollbarDrawTest, DisabledButtonGlyphComesFromFrameFour) {
    const COLORREF disabledGlyph = GetPixel(draw.Surface(SkinArrowVT).hdc(), 8, 4 * 18 + 7);
    const COLORREF normalGlyph = GetPixel(draw.Surface(SkinArrowVT).hdc(), 8, 7);
    ASSERT_NE(disabledGlyph, normalGlyph);
    draw.DrawArrow1(canvas.dc(), OrientationVertical, 4, {0, 0, 18, 18});
    EXPECT_EQ(canvas.Pixel(8, 7), disabledGlyph) << "glyph at x = rounded(0.5) = 0";
    EXPECT_NE(canvas.Pixel(0, 0), kMaskColour);
    EXPECT_NE(canvas.Pixel(0, 0), RGB(1, 2, 3)) << "the background is drawn";
    draw.DrawArrow1(canvas.dc(), OrientationVertical, 0, {0, 20, 18, 38});
    EXPECT_EQ(canvas.Pixel(8, 27), normalGlyph);
}

TEST_F(ScrollbarDrawTest, HorizontalButtonTwentyOneHighCentresTheGlyphAtTwo) {
    draw.DrawArrow1(canvas.dc(), OrientationHorizontal, 0, {0, 0, 18, 21});
    const COLORREF apex = GetPixel(draw.Surface(SkinArrowHL).hdc(), 7, 8);
    EXPECT_EQ(canvas.Pixel(7, 10), apex);
    EXPECT_EQ(canvas.Pixel(7, 8), GetPixel(draw.Surface(SkinArrowH).hdc(), 7, 8))
        << "background around the glyph";
    EXPECT_NE(canvas.Pixel(17, 20), RGB(1, 2, 3)) << "the bottom band reaches the last row";
}

TEST_F(ScrollbarDrawTest, HorizontalThumbGripSitsAtThirtySix) {
    draw.DrawThumb(canvas.dc(), OrientationHorizontal, 0, {30, 0, 51, 17});
    const COLORREF bar = GetPixel(draw.Surface(SkinGripH).hdc(), 1, 4);
    ASSERT_NE(bar, kMaskColour);
    EXPECT_EQ(canvas.Pixel(37, 8), bar) << "grip column 1 at x = 36 + 1, row 4 at y = 4 + 4";
    EXPECT_NE(canvas.Pixel(36, 8), kMaskColour) << "magenta is left out";
    EXPECT_EQ(canvas.Pixel(30, 0), GetPixel(draw.Surface(SkinThumbH).hdc(), 0, 0));
    EXPECT_EQ(canvas.Pixel(50, 16), GetPixel(draw.Surface(SkinThumbH).hdc(), 14, 16));

    DibCanvas narrow(40, 17, RGB(1, 2, 3));
    draw.DrawThumb(narrow.dc(), OrientationHorizontal, 0, {0, 0, 15, 17});
    for (int x = 0; x < 15; ++x) ASSERT_NE(narrow.Pixel(x, 8), bar) << "no grip on a thumb 15 long";
}

TEST_F(ScrollbarDrawTest, DisabledThumbAndTrackFrames) {
    draw.DrawThumb(canvas.dc(), OrientationVertical, 3, {0, 0, 18, 30});
    EXPECT_EQ(canvas.Pixel(9, 15), RGB(229, 229, 229));
    draw.DrawTrack(canvas.dc(), OrientationHorizontal, 0, {40, 0, 60, 17});
    EXPECT_EQ(canvas.Pixel(50, 0), RGB(248, 248, 248));
    EXPECT_EQ(canvas.Pixel(50, 16), RGB(233, 233, 233));
    draw.DrawTrack(canvas.dc(), OrientationVertical, 1, {70, 0, 88, 40});
    EXPECT_EQ(canvas.Pixel(78, 20), GetPixel(draw.Surface(SkinBackV).hdc(), 8, 2));
}

}  // namespace
}  // namespace mulan::scrollbar
