#include "controls/scrollbar/scrollbar_skin.h"

namespace mulan::scrollbar {
namespace {

std::int32_t Rounded(double v) {
    return RoundHalfEven(v).value_or(0);
}

SkinBlit Copy(SkinBitmap bitmap, Box source, std::int32_t x, std::int32_t y) {
    return {bitmap, BlitKind::Copy, source, {x, y, source.width, source.height}};
}

SkinBlit Masked(SkinBitmap bitmap, Box source, std::int32_t x, std::int32_t y) {
    return {bitmap, BlitKind::CopyMasked, source, {x, y, source.width, source.height}};
}

SkinBlit Stretch(SkinBitmap bitmap, Box source, Box target) {
    return {bitmap, BlitKind::Stretch, source, target};
}

// A button is always 18 pixels long along the axis, from the start of its rectangle.
SkinPlan PlanArrow(std::int32_t orientation, std::int32_t s, const Rect& r, SkinBitmap glyphH,
                   SkinBitmap glyphV) {
    const std::int32_t w = r.Width();
    const std::int32_t h = r.Height();
    if (orientation == OrientationHorizontal) {
        const std::int32_t x0 = 18 * s;
        return {Copy(SkinArrowH, {x0, 0, 18, 3}, r.left, r.top),
                Copy(SkinArrowH, {x0, 14, 18, 3}, r.left, r.bottom - 3),
                Stretch(SkinArrowH, {x0, 3, 18, 11}, {r.left, r.top + 3, 18, h - 6}),
                Masked(glyphH, {x0, 0, 18, 17}, r.left, Rounded((h - 17) / 2.0))};
    }
    const std::int32_t y0 = 18 * s;
    return {Copy(SkinArrowV, {0, y0, 3, 18}, r.left, r.top),
            Copy(SkinArrowV, {14, y0, 3, 18}, r.right - 3, r.top),
            Stretch(SkinArrowV, {3, y0, 11, 18}, {r.left + 3, r.top, w - 6, 18}),
            Masked(glyphV, {0, y0, 17, 18}, Rounded((w - 17) / 2.0), r.top)};
}

}  // namespace

const std::array<SkinBitmapInfo, kSkinBitmapCount>& SkinBitmaps() {
    static constexpr std::array<SkinBitmapInfo, kSkinBitmapCount> kBitmaps{{
        {u"SCRBACKH", 4, 17},
        {u"SCRTHUMBH", 15, 68},
        {u"SCRGRIPH", 10, 36},
        {u"SCRARROWH", 90, 17},
        {u"SCRARROWHL", 90, 17},
        {u"SCRARROWHR", 90, 17},
        {u"SCRBACKV", 17, 4},
        {u"SCRTHUMBV", 68, 15},
        {u"SCRGRIPV", 9, 40},
        {u"SCRARROWV", 17, 90},
        {u"SCRARROWVT", 17, 90},
        {u"SCRARROWVB", 17, 90},
    }};
    return kBitmaps;
}

SkinPlan PlanArrow1(std::int32_t orientation, std::int32_t state, const Rect& r) {
    return PlanArrow(orientation, state, r, SkinArrowHL, SkinArrowVT);
}

SkinPlan PlanArrow2(std::int32_t orientation, std::int32_t state, const Rect& r) {
    return PlanArrow(orientation, state, r, SkinArrowHR, SkinArrowVB);
}

SkinPlan PlanTrack(std::int32_t orientation, std::int32_t s, const Rect& r) {
    const std::int32_t w = r.Width();
    const std::int32_t h = r.Height();
    if (orientation == OrientationHorizontal) {
        return {Stretch(SkinBackH, {2 * s, 0, 2, 3}, {r.left, r.top, w, 3}),
                Stretch(SkinBackH, {2 * s, 14, 2, 3}, {r.left, r.bottom - 3, w, 3}),
                Stretch(SkinBackH, {2 * s, 3, 2, 11}, {r.left, r.top + 3, w, h - 6})};
    }
    return {Stretch(SkinBackV, {0, 2 * s, 3, 2}, {r.left, r.top, 3, h}),
            Stretch(SkinBackV, {14, 2 * s, 3, 2}, {r.right - 3, r.top, 3, h}),
            Stretch(SkinBackV, {3, 2 * s, 11, 2}, {r.left + 3, r.top, w - 6, h})};
}

SkinPlan PlanThumb(std::int32_t orientation, std::int32_t s, const Rect& r) {
    const std::int32_t w = r.Width();
    const std::int32_t h = r.Height();
    const std::int32_t L = r.left, T = r.top, R = r.right, B = r.bottom;
    SkinPlan plan;
    if (orientation == OrientationHorizontal) {
        const std::int32_t y0 = 17 * s;
        plan = {Copy(SkinThumbH, {0, y0, 3, 3}, L, T),
                Copy(SkinThumbH, {0, y0 + 14, 3, 3}, L, B - 3),
                Stretch(SkinThumbH, {0, y0 + 3, 3, 11}, {L, T + 3, 3, h - 6}),
                Stretch(SkinThumbH, {3, y0, 9, 3}, {L + 3, T, w - 6, 3}),
                Stretch(SkinThumbH, {3, y0 + 14, 9, 3}, {L + 3, B - 3, w - 6, 3}),
                Stretch(SkinThumbH, {3, y0 + 3, 9, 11}, {L + 3, T + 3, w - 6, h - 6}),
                Copy(SkinThumbH, {12, y0, 3, 3}, R - 3, T),
                Copy(SkinThumbH, {12, y0 + 14, 3, 3}, R - 3, B - 3),
                Stretch(SkinThumbH, {12, y0 + 3, 3, 11}, {R - 3, T + 3, 3, h - 6})};
        // The grip's y is not offset by T: in the control's layout the thumb starts at the top.
        if (w >= 16)
            plan.push_back(
                Masked(SkinGripH, {0, 9 * s, 10, 9}, Rounded((w - 10) / 2.0 + L), Rounded((h - 9) / 2.0)));
        return plan;
    }
    const std::int32_t x0 = 17 * s;
    plan = {Copy(SkinThumbV, {x0, 0, 3, 3}, L, T),
            Copy(SkinThumbV, {x0 + 14, 0, 3, 3}, R - 3, T),
            Stretch(SkinThumbV, {x0 + 3, 0, 11, 3}, {L + 3, T, w - 6, 3}),
            Stretch(SkinThumbV, {x0, 3, 3, 9}, {L, T + 3, 3, h - 6}),
            Stretch(SkinThumbV, {x0 + 14, 3, 3, 9}, {R - 3, T + 3, 3, h - 6}),
            Stretch(SkinThumbV, {x0 + 3, 3, 11, 9}, {L + 3, T + 3, w - 6, h - 6}),
            Copy(SkinThumbV, {x0, 12, 3, 3}, L, B - 3),
            Copy(SkinThumbV, {x0 + 14, 12, 3, 3}, R - 3, B - 3),
            Stretch(SkinThumbV, {x0 + 3, 12, 11, 3}, {L + 3, B - 3, w - 6, 3})};
    if (h >= 16)
        plan.push_back(
            Masked(SkinGripV, {0, 10 * s, 9, 10}, Rounded((w - 9) / 2.0), Rounded((h - 10) / 2.0 + T)));
    return plan;
}

}  // namespace mulan::scrollbar
