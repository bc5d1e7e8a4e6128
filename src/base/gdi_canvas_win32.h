#pragma once

#include <windows.h>

#include <map>

#include "base/canvas.h"
#include "base/scoped_gdi_win32.h"

namespace mulan::win {

// Draws on a device context with the given font. Brushes are made once per colour and kept for the
// canvas's life; text is drawn transparently.
class GdiCanvas final : public Canvas {
  public:
    GdiCanvas(HDC dc, HFONT font);
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    void FillRect(const Rect& rect, Colour colour) override;
    void SetTextColour(Colour colour) override;
    void DrawText(TextView text, const Rect& rect, TextAlign align) override;
    int32_t TextWidth(TextView text) override;
    int32_t TextHeight(TextView text) override;
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour, int32_t penWidth) override;
    void RectOutline(const Rect& rect, Colour colour, int32_t penWidth) override;
    void FocusRect(const Rect& rect) override;
    bool DrawIcon(std::span<const uint8_t> image, int32_t width, int32_t height, int32_t x,
                  int32_t y) override;

  private:
    SIZE Measure(TextView text);
    HBRUSH Brush(Colour colour);

    HDC dc_;
    ScopedSelect font_;
    std::map<Colour, ScopedBrush> brushes_;
};

}  // namespace mulan::win
