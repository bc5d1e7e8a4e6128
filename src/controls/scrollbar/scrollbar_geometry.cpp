#include "controls/scrollbar/scrollbar_geometry.h"

#include <cmath>
#include <limits>

namespace mulan::scrollbar {

std::optional<std::int32_t> RoundHalfEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = value - std::remainder(value, 1.0);
    if (rounded < std::numeric_limits<std::int32_t>::min() ||
        rounded > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

namespace {

// The layout of a vertical bar; a horizontal one is the same with the axes swapped.
ScrollbarLayout VerticalGeometry(std::int32_t across, std::int32_t along, bool showButtons) {
    const std::int32_t b = showButtons ? kButtonLength : 0;
    ScrollbarLayout layout;
    if (along >= 2 * b + 8) {
        layout.thumbVisible = true;
        layout.arrow1 = {0, 0, across, b};
        layout.arrow2 = {0, along - b, across, along};
    } else if (along > 2 * b) {
        layout.arrow1 = {0, 0, across, b};
        layout.arrow2 = {0, along - b, across, along};
        layout.filler = {0, b, across, along - b};
        layout.fillerVisible = true;
    } else {
        const std::int32_t half = along / 2;
        layout.arrow1 = {0, 0, across, half};
        layout.arrow2 = {0, half + along % 2, across, along};
        if (along % 2 != 0) {
            layout.filler = {0, half, across, half + 1};
            layout.fillerVisible = true;
        }
    }
    layout.dragLimit = {-kDragSlackAcross, -kDragSlackAlong, across + kDragSlackAcross,
                        along + kDragSlackAlong};
    return layout;
}

Rect Transposed(const Rect& r) {
    return {r.top, r.left, r.bottom, r.right};
}

}  // namespace

ScrollbarLayout UpdateGeometry(std::int32_t width, std::int32_t height, std::int32_t orientation,
                               bool showButtons) {
    if (orientation != OrientationHorizontal) return VerticalGeometry(width, height, showButtons);
    ScrollbarLayout layout = VerticalGeometry(height, width, showButtons);
    for (Rect* r : {&layout.arrow1, &layout.arrow2, &layout.filler, &layout.dragLimit}) *r = Transposed(*r);
    return layout;
}

std::int32_t Arrow1End(const ScrollbarLayout& layout, std::int32_t orientation) {
    return orientation == OrientationHorizontal ? layout.arrow1.right : layout.arrow1.bottom;
}

std::int32_t Arrow2Start(const ScrollbarLayout& layout, std::int32_t orientation) {
    return orientation == OrientationHorizontal ? layout.arrow2.left : layout.arrow2.top;
}

std::int32_t ThumbSizeFor(std::int32_t trackLength, std::int64_t range, std::int32_t largeChange) {
    if (largeChange == 0) return kMinThumbSize;
    const std::int64_t divisor = range / largeChange + 1;
    if (divisor == 0) return kMinThumbSize;
    const std::int64_t size = trackLength / divisor;
    return size < kMinThumbSize ? kMinThumbSize : static_cast<std::int32_t>(size);
}

std::int32_t ThumbPositionFor(std::int32_t arrow1End, std::int32_t trackLength, std::int32_t thumbSize,
                              std::int64_t range, std::int32_t value, std::int32_t min) {
    if (range == 0) return arrow1End;
    const double position = arrow1End + static_cast<double>(trackLength - thumbSize) /
                                            static_cast<double>(range) * (static_cast<double>(value) - min);
    return RoundHalfEven(position).value_or(arrow1End);
}

std::int32_t ValueForThumbPosition(std::int32_t arrow1End, std::int32_t trackLength, std::int32_t thumbSize,
                                   std::int64_t range, std::int32_t position, std::int32_t min) {
    const std::int32_t room = trackLength - thumbSize;
    if (room == 0) return min;
    const double value = min + static_cast<double>(position - arrow1End) / room * static_cast<double>(range);
    return RoundHalfEven(value).value_or(min);
}

void UpdatePartRects(ScrollbarLayout& layout, std::int32_t orientation, std::int32_t position,
                     std::int32_t size) {
    const Rect& a1 = layout.arrow1;
    const Rect& a2 = layout.arrow2;
    if (orientation == OrientationHorizontal) {
        layout.track1 = {a1.right, 0, position, a1.bottom};
        layout.track2 = {position + size, 0, a2.left, a2.bottom};
        layout.thumb = {position, 0, position + size, a2.bottom};
    } else {
        layout.track1 = {0, a1.bottom, a1.right, position};
        layout.track2 = {0, position + size, a2.right, a2.top};
        layout.thumb = {0, position, a2.right, position + size};
    }
}

ScrollbarPart HitTest(const ScrollbarLayout& layout, Point point) {
    if (layout.arrow1.Contains(point)) return PartArrow1;
    if (layout.arrow2.Contains(point)) return PartArrow2;
    if (layout.track1.Contains(point)) return PartTrack1;
    if (layout.track2.Contains(point)) return PartTrack2;
    if (layout.thumb.Contains(point)) return PartThumb;
    return PartNone;
}

}  // namespace mulan::scrollbar
