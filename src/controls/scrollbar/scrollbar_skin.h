#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "controls/scrollbar/scrollbar_geometry.h"

namespace mulan::scrollbar {

// The twelve skin bitmaps, in loading order.
enum SkinBitmap : std::int32_t {
    SkinBackH,
    SkinThumbH,
    SkinGripH,
    SkinArrowH,
    SkinArrowHL,
    SkinArrowHR,
    SkinBackV,
    SkinThumbV,
    SkinGripV,
    SkinArrowV,
    SkinArrowVT,
    SkinArrowVB,
    kSkinBitmapCount
};

struct SkinBitmapInfo {
    const char16_t* name;  // resource name
    std::int32_t width;
    std::int32_t height;
};

const std::array<SkinBitmapInfo, kSkinBitmapCount>& SkinBitmaps();

// One block move from a skin bitmap onto the target: 1:1 (optionally leaving out magenta) or scaled.
enum class BlitKind { Copy, CopyMasked, Stretch };

struct Box {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const Box&) const = default;
};

struct SkinBlit {
    SkinBitmap bitmap = SkinBackH;
    BlitKind kind = BlitKind::Copy;
    Box source;
    Box target;  // for a copy, the size is the source's
    bool operator==(const SkinBlit&) const = default;
};

using SkinPlan = std::vector<SkinBlit>;

// The block moves that paint one part from its frame, with state as the frame number.
SkinPlan PlanArrow1(std::int32_t orientation, std::int32_t state, const Rect& r);
SkinPlan PlanArrow2(std::int32_t orientation, std::int32_t state, const Rect& r);
SkinPlan PlanTrack(std::int32_t orientation, std::int32_t state, const Rect& r);
SkinPlan PlanThumb(std::int32_t orientation, std::int32_t state, const Rect& r);

}  // namespace mulan::scrollbar
