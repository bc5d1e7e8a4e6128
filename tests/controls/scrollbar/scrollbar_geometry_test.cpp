#include "controls/scrollbar/scrollbar_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace mulan::scrollbar {
namespace {

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(35.5), 36);
    EXPECT_EQ(RoundHalfEven(36.5), 36);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(45.6), 46);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_FALSE(RoundHalfEven(1e12).has_value());
    EXPECT_FALSE(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()).has_value());
}

TEST(ScrollbarGeometry, VerticalHeightClassesAroundTheButtons) {
    ScrollbarLayout big = UpdateGeometry(18, 44, OrientationVertical, true);
    EXPECT_TRUE(big.thumbVisible);
    EXPECT_FALSE(big.fillerVisible);
    EXPECT_EQ(big.arrow1, (Rect{0, 0, 18, 18}));
    EXPECT_EQ(big.arrow2, (Rect{0, 26, 18, 44}));

    ScrollbarLayout middle = UpdateGeometry(18, 43, OrientationVertical, true);
    EXPECT_FALSE(middle.thumbVisible);
    EXPECT_TRUE(middle.fillerVisible);
    EXPECT_EQ(middle.filler, (Rect{0, 18, 18, 25}));

    ScrollbarLayout shared = UpdateGeometry(18, 36, OrientationVertical, true);
    EXPECT_FALSE(shared.thumbVisible);
    EXPECT_FALSE(shared.fillerVisible);
    EXPECT_EQ(shared.arrow1, (Rect{0, 0, 18, 18}));
    EXPECT_EQ(shared.arrow2, (Rect{0, 18, 18, 36}));

    ScrollbarLayout odd = UpdateGeometry(18, 35, OrientationVertical, true);
    EXPECT_EQ(odd.arrow1, (Rect{0, 0, 18, 17}));
    EXPECT_EQ(odd.arrow2, (Rect{0, 18, 18, 35}));
    EXPECT_TRUE(odd.fillerVisible);
    EXPECT_EQ(odd.filler, (Rect{0, 17, 18, 18})) << "the single middle row";

    EXPECT_EQ(big.dragLimit, (Rect{-250, -25, 268, 69}));
}

TEST(ScrollbarGeometry, HorizontalIsTheSameWithAxesSwapped) {
    ScrollbarLayout big = UpdateGeometry(44, 17, OrientationHorizontal, true);
    EXPECT_TRUE(big.thumbVisible);
    EXPECT_EQ(big.arrow1, (Rect{0, 0, 18, 17}));
    EXPECT_EQ(big.arrow2, (Rect{26, 0, 44, 17}));
    ScrollbarLayout middle = UpdateGeometry(43, 17, OrientationHorizontal, true);
    EXPECT_EQ(middle.filler, (Rect{18, 0, 25, 17}));
    ScrollbarLayout odd = UpdateGeometry(9, 17, OrientationHorizontal, true);
    EXPECT_EQ(odd.arrow1, (Rect{0, 0, 4, 17}));
    EXPECT_EQ(odd.arrow2, (Rect{5, 0, 9, 17}));
    EXPECT_EQ(odd.filler, (Rect{4, 0, 5, 17}));
    EXPECT_EQ(big.dragLimit, (Rect{-25, -250, 69, 267}));
}

TEST(ScrollbarGeometry, WithoutButtonsTheTrackRunsTheWholeLength) {
    ScrollbarLayout layout = UpdateGeometry(18, 100, OrientationVertical, false);
    EXPECT_TRUE(layout.thumbVisible);
    EXPECT_EQ(layout.arrow1.Height(), 0);
    EXPECT_EQ(layout.arrow2.Height(), 0);
    EXPECT_EQ(TrackLength(layout, OrientationVertical), 100);
    UpdatePartRects(layout, OrientationVertical, 0, 9);
    EXPECT_EQ(HitTest(layout, {5, 0}), PartThumb) << "empty buttons never take a hit";
    EXPECT_EQ(HitTest(layout, {5, 99}), PartTrack2);
    EXPECT_TRUE(UpdateGeometry(18, 8, OrientationVertical, false).thumbVisible);
    EXPECT_FALSE(UpdateGeometry(18, 7, OrientationVertical, false).thumbVisible);
}

TEST(ScrollbarGeometry, ThumbSizeAndPositionOfTheDefaults) {
    ScrollbarLayout layout = UpdateGeometry(18, 100, OrientationVertical, true);
    const std::int32_t length = TrackLength(layout, OrientationVertical);
    EXPECT_EQ(length, 64);
    EXPECT_EQ(ThumbSizeFor(length, 100, 10), 8) << "64 div 11 = 5, raised to 8";
    EXPECT_EQ(ThumbPositionFor(18, length, 8, 100, 50, 0), 46);
    EXPECT_EQ(ThumbPositionFor(18, length, 8, 100, 0, 0), 18);
    EXPECT_EQ(ThumbPositionFor(18, length, 8, 100, 100, 0), 74);
    EXPECT_EQ(ValueForThumbPosition(18, length, 8, 100, 46, 0), 50);
    EXPECT_EQ(ThumbSizeFor(264, 100, 10), 24);
}

TEST(ScrollbarGeometry, ThumbFillsTheTrackWhenRangeIsBelowTheLargeChange) {
    EXPECT_EQ(ThumbSizeFor(64, 5, 10), 64);
    EXPECT_EQ(ValueForThumbPosition(18, 64, 64, 5, 30, 0), 0) << "no room to move: Min";
    EXPECT_EQ(ThumbPositionFor(18, 64, 64, 0, 0, 0), 18) << "range 0: arrow 1's end";
}

TEST(ScrollbarGeometry, ArithmeticFailuresFallBack) {
    EXPECT_EQ(ThumbSizeFor(64, 100, 0), 8) << "division by zero";
    EXPECT_EQ(ThumbSizeFor(64, -10, 10), 8) << "range div LargeChange + 1 = 0";
    const std::int64_t widest =
        std::int64_t{std::numeric_limits<std::int32_t>::max()} - std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(ThumbSizeFor(64, widest, 1), 8);
    EXPECT_EQ(ThumbPositionFor(18, 64, 8, 1, std::numeric_limits<std::int32_t>::max(), 0), 18)
        << "a position that does not fit falls back to arrow 1's end";
    EXPECT_EQ(ValueForThumbPosition(18, 64, 8, widest, 74, std::numeric_limits<std::int32_t>::max()),
              std::numeric_limits<std::int32_t>::max());
}

TEST(ScrollbarGeometry, PartRectanglesAndHitTestEdges) {
    ScrollbarLayout v = UpdateGeometry(18, 100, OrientationVertical, true);
    UpdatePartRects(v, OrientationVertical, 46, 8);
    EXPECT_EQ(v.track1, (Rect{0, 18, 18, 46}));
    EXPECT_EQ(v.thumb, (Rect{0, 46, 18, 54}));
    EXPECT_EQ(v.track2, (Rect{0, 54, 18, 82}));
    EXPECT_EQ(HitTest(v, {0, 0}), PartArrow1);
    EXPECT_EQ(HitTest(v, {17, 17}), PartArrow1);
    EXPECT_EQ(HitTest(v, {17, 18}), PartTrack1);
    EXPECT_EQ(HitTest(v, {5, 46}), PartThumb);
    EXPECT_EQ(HitTest(v, {5, 54}), PartTrack2);
    EXPECT_EQ(HitTest(v, {5, 82}), PartArrow2);
    EXPECT_EQ(HitTest(v, {18, 50}), PartNone) << "the right edge is outside";
    EXPECT_EQ(HitTest(v, {5, 100}), PartNone);

    ScrollbarLayout h = UpdateGeometry(100, 17, OrientationHorizontal, true);
    UpdatePartRects(h, OrientationHorizontal, 30, 21);
    EXPECT_EQ(h.track1, (Rect{18, 0, 30, 17}));
    EXPECT_EQ(h.thumb, (Rect{30, 0, 51, 17}));
    EXPECT_EQ(h.track2, (Rect{51, 0, 82, 17}));
}

}  // namespace
}  // namespace mulan::scrollbar
