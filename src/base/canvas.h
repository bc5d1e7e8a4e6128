#pragma once

#include <cstdint>
#include <span>

#include "base/text.h"

namespace mulan {

// A colour as the platform stores it: 0x00BBGGRR.
using Colour = uint32_t;

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

enum class TextAlign { Left = 0, Center = 1 };

// What the controls' painters draw with. The shell implements it on a device context; tests
// record the calls. Text is drawn transparently in the current text colour and font.
class Canvas {
  public:
    virtual ~Canvas() = default;
    virtual void FillRect(const Rect& rect, Colour colour) = 0;
    virtual void SetTextColour(Colour colour) = 0;
    virtual void DrawText(TextView text, const Rect& rect, TextAlign align) = 0;
    virtual int32_t TextWidth(TextView text) = 0;
    virtual int32_t TextHeight(TextView text) = 0;
    // A line, and a rectangle outline whose corners are both inside it, drawn with a pen of the
    // given width.
    virtual void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour, int32_t penWidth) = 0;
    virtual void RectOutline(const Rect& rect, Colour colour, int32_t penWidth) = 0;
    virtual void FocusRect(const Rect& rect) = 0;
    // Draws one image of an icon file (its bitmap bytes) with its mask at width x height (its own
    // size, or a size it is stretched to); false when the platform could not make an icon of it.
    virtual bool DrawIcon(std::span<const uint8_t> image, int32_t width, int32_t height, int32_t x,
                          int32_t y) = 0;
};

}  // namespace mulan
