#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/scoped_gdi_win32.h"

namespace mulan::scrollbar::testing {

// A 32-bit top-down bitmap in a memory device context whose pixels the test can read directly.
class DibCanvas {
  public:
    DibCanvas(int width, int height, COLORREF fill = RGB(1, 2, 3));
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF Pixel(int x, int y) const;
    void Fill(COLORREF colour);
    // Writes a 24-bit BMP file; false on failure.
    bool WriteBmp(const std::string& path) const;

  private:
    int width_;
    int height_;
    std::uint32_t* bits_ = nullptr;
    win::ScopedDC dc_;
    win::ScopedBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace mulan::scrollbar::testing
