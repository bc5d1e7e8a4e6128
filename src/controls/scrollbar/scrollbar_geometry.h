#pragma once

#include <cstdint>
#include <optional>

namespace mulan::scrollbar {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Left and top edges are inside, right and bottom edges are not.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    bool operator==(const Rect&) const = default;
};

enum Orientation : std::int32_t { OrientationVertical = 0, OrientationHorizontal = 1 };

// Part codes in hit-test order.
enum ScrollbarPart : std::int32_t {
    PartNone = 0,
    PartArrow1 = 1,
    PartArrow2 = 2,
    PartTrack1 = 3,
    PartTrack2 = 4,
    PartThumb = 5,
};

inline constexpr std::int32_t kButtonLength = 18;
inline constexpr std::int32_t kMinThumbSize = 8;
// How far outside the control a thumb drag still follows the pointer: across the axis, along it.
inline constexpr std::int32_t kDragSlackAcross = 250;
inline constexpr std::int32_t kDragSlackAlong = 25;

struct ScrollbarLayout {
    Rect arrow1;
    Rect arrow2;
    Rect track1;
    Rect track2;
    Rect thumb;
    Rect filler;
    Rect dragLimit;
    bool thumbVisible = false;
    bool fillerVisible = false;
};

// Nearest integer with halves going to the even neighbour; nothing when the result does not fit.
std::optional<std::int32_t> RoundHalfEven(double value);

// Buttons, filler and drag limit for a client area of width x height.
ScrollbarLayout UpdateGeometry(std::int32_t width, std::int32_t height, std::int32_t orientation,
                               bool showButtons);

// Where the track begins (arrow 1's end), where it ends (arrow 2's start), and its length between.
std::int32_t Arrow1End(const ScrollbarLayout& layout, std::int32_t orientation);
std::int32_t Arrow2Start(const ScrollbarLayout& layout, std::int32_t orientation);
inline std::int32_t TrackLength(const ScrollbarLayout& layout, std::int32_t orientation) {
    return Arrow2Start(layout, orientation) - Arrow1End(layout, orientation);
}

// range is Max - Min, kept wide so that no pair of 32-bit limits overflows it.
std::int32_t ThumbSizeFor(std::int32_t trackLength, std::int64_t range, std::int32_t largeChange);
std::int32_t ThumbPositionFor(std::int32_t arrow1End, std::int32_t trackLength, std::int32_t thumbSize,
                              std::int64_t range, std::int32_t value, std::int32_t min);
std::int32_t ValueForThumbPosition(std::int32_t arrow1End, std::int32_t trackLength, std::int32_t thumbSize,
                                   std::int64_t range, std::int32_t position, std::int32_t min);

// Track pieces and thumb for a thumb at position with size; only meaningful when the thumb shows.
void UpdatePartRects(ScrollbarLayout& layout, std::int32_t orientation, std::int32_t position,
                     std::int32_t size);

ScrollbarPart HitTest(const ScrollbarLayout& layout, Point point);

}  // namespace mulan::scrollbar
