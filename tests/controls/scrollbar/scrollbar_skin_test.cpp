#include "controls/scrollbar/scrollbar_skin.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace mulan::scrollbar {
namespace {

TEST(ScrollbarSkin, TwelveBitmapsWithTheirNamesAndSizesInLoadingOrder) {
    const auto& b = SkinBitmaps();
    EXPECT_EQ(mulan::Text(b[SkinBackH].name), u"SCRBACKH");
    EXPECT_EQ(b[SkinThumbH].height, 68);
    EXPECT_EQ(mulan::Text(b[SkinGripV].name), u"SCRGRIPV");
    EXPECT_EQ(b[SkinGripV].width, 9);
    EXPECT_EQ(b[SkinGripV].height, 40);
    EXPECT_EQ(mulan::Text(b[SkinArrowVB].name), u"SCRARROWVB");
    EXPECT_EQ(b[SkinArrowVB].height, 90);
}

TEST(ScrollbarSkin, HorizontalButtonOfSeventeenRowsIsNotStretched) {
    const SkinPlan plan = PlanArrow1(OrientationHorizontal, 2, {0, 0, 18, 17});
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0], (SkinBlit{SkinArrowH, BlitKind::Copy, {36, 0, 18, 3}, {0, 0, 18, 3}}));
    EXPECT_EQ(plan[1], (SkinBlit{SkinArrowH, BlitKind::Copy, {36, 14, 18, 3}, {0, 14, 18, 3}}));
    EXPECT_EQ(plan[2], (SkinBlit{SkinArrowH, BlitKind::Stretch, {36, 3, 18, 11}, {0, 3, 18, 11}}));
    EXPECT_EQ(plan[3], (SkinBlit{SkinArrowHL, BlitKind::CopyMasked, {36, 0, 18, 17}, {0, 0, 18, 17}}));
}

TEST(ScrollbarSkin, TallerHorizontalButtonStretchesTheMiddleBandAndCentresTheGlyph) {
    const SkinPlan plan = PlanArrow2(OrientationHorizontal, 0, {60, 0, 78, 21});
    EXPECT_EQ(plan[2].target, (Box{60, 3, 18, 15}));
    EXPECT_EQ(plan[3].bitmap, SkinArrowHR);
    EXPECT_EQ(plan[3].target, (Box{60, 2, 18, 17}));
    EXPECT_EQ(plan[1].target, (Box{60, 18, 18, 3}));
}

TEST(ScrollbarSkin, VerticalButtonEighteenWideHasItsGlyphAtZero) {
    const SkinPlan plan = PlanArrow2(OrientationVertical, 3, {0, 82, 18, 100});
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0], (SkinBlit{SkinArrowV, BlitKind::Copy, {0, 54, 3, 18}, {0, 82, 3, 18}}));
    EXPECT_EQ(plan[1], (SkinBlit{SkinArrowV, BlitKind::Copy, {14, 54, 3, 18}, {15, 82, 3, 18}}));
    EXPECT_EQ(plan[2], (SkinBlit{SkinArrowV, BlitKind::Stretch, {3, 54, 11, 18}, {3, 82, 12, 18}}));
    EXPECT_EQ(plan[3], (SkinBlit{SkinArrowVB, BlitKind::CopyMasked, {0, 54, 17, 18}, {0, 82, 17, 18}}));
    EXPECT_EQ(PlanArrow1(OrientationVertical, 0, {0, 0, 18, 10})[2].target.height, 18)
        << "a button is always painted 18 long";
}

TEST(ScrollbarSkin, HorizontalThumbGetsItsGripFromSixteenPixels) {
    EXPECT_EQ(PlanThumb(OrientationHorizontal, 0, {30, 0, 45, 17}).size(), 9u);
    const SkinPlan withGrip = PlanThumb(OrientationHorizontal, 0, {30, 0, 46, 17});
    ASSERT_EQ(withGrip.size(), 10u);
    EXPECT_EQ(withGrip[9].bitmap, SkinGripH);
}

TEST(ScrollbarSkin, HorizontalThumbGripAtThirtySix) {
    const SkinPlan plan = PlanThumb(OrientationHorizontal, 1, {30, 0, 51, 17});
    ASSERT_EQ(plan.size(), 10u);
    EXPECT_EQ(plan[9], (SkinBlit{SkinGripH, BlitKind::CopyMasked, {0, 9, 10, 9}, {36, 4, 10, 9}}));
    EXPECT_EQ(plan[0], (SkinBlit{SkinThumbH, BlitKind::Copy, {0, 17, 3, 3}, {30, 0, 3, 3}}));
    EXPECT_EQ(plan[5], (SkinBlit{SkinThumbH, BlitKind::Stretch, {3, 20, 9, 11}, {33, 3, 15, 11}}));
    EXPECT_EQ(plan[8], (SkinBlit{SkinThumbH, BlitKind::Stretch, {12, 20, 3, 11}, {48, 3, 3, 11}}));
}

TEST(ScrollbarSkin, VerticalThumbNineGridAndGrip) {
    const SkinPlan plan = PlanThumb(OrientationVertical, 2, {0, 46, 18, 70});
    ASSERT_EQ(plan.size(), 10u);
    EXPECT_EQ(plan[1], (SkinBlit{SkinThumbV, BlitKind::Copy, {48, 0, 3, 3}, {15, 46, 3, 3}}));
    EXPECT_EQ(plan[5], (SkinBlit{SkinThumbV, BlitKind::Stretch, {37, 3, 11, 9}, {3, 49, 12, 18}}));
    EXPECT_EQ(plan[6], (SkinBlit{SkinThumbV, BlitKind::Copy, {34, 12, 3, 3}, {0, 67, 3, 3}}));
    EXPECT_EQ(plan[9], (SkinBlit{SkinGripV, BlitKind::CopyMasked, {0, 20, 9, 10}, {4, 53, 9, 10}}));
    EXPECT_EQ(PlanThumb(OrientationVertical, 0, {0, 18, 18, 33}).size(), 9u);
}

TEST(ScrollbarSkin, TrackPiecesStretchTheirFrame) {
    const SkinPlan h = PlanTrack(OrientationHorizontal, 1, {18, 0, 30, 17});
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0], (SkinBlit{SkinBackH, BlitKind::Stretch, {2, 0, 2, 3}, {18, 0, 12, 3}}));
    EXPECT_EQ(h[1], (SkinBlit{SkinBackH, BlitKind::Stretch, {2, 14, 2, 3}, {18, 14, 12, 3}}));
    EXPECT_EQ(h[2], (SkinBlit{SkinBackH, BlitKind::Stretch, {2, 3, 2, 11}, {18, 3, 12, 11}}));
    const SkinPlan v = PlanTrack(OrientationVertical, 0, {0, 18, 18, 46});
    EXPECT_EQ(v[1], (SkinBlit{SkinBackV, BlitKind::Stretch, {14, 0, 3, 2}, {15, 18, 3, 28}}));
    EXPECT_EQ(v[2], (SkinBlit{SkinBackV, BlitKind::Stretch, {3, 0, 11, 2}, {3, 18, 12, 28}}));
}

}  // namespace
}  // namespace mulan::scrollbar
