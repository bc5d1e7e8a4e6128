#pragma once

#include <windows.h>

#include <cstdint>

#include "base/scoped_gdi_win32.h"

namespace mulan::scrollbar {

// An off-screen surface: a memory device context with a display-compatible bitmap in it. It only
// grows; each growth rebuilds it and discards what it held. Drawing from an object without a
// surface does nothing.
class pcMemDC {
  public:
    pcMemDC() = default;
    pcMemDC(const pcMemDC&) = delete;
    pcMemDC& operator=(const pcMemDC&) = delete;
    ~pcMemDC() { DestroySurface(); }

    std::int32_t Width() const { return width_; }
    void SetWidth(std::int32_t width);
    std::int32_t Height() const { return height_; }
    void SetHeight(std::int32_t height);
    HDC hdc() const { return dc_.get(); }

    // Grows the surface to the picture's size if needed and copies the picture into its top-left corner.
    void CreateFromPicture(HBITMAP sPic);

    // 1:1 copy; a source width or height below 1 means the whole. With UseMask, magenta is left out.
    void Draw(HDC hdc, int xSrc, int ySrc, int WidthSrc, int HeightSrc, int xDst, int yDst,
              bool UseMask) const;
    // Scaled copy; note the target rectangle comes first here.
    void StretchDraw(HDC hdc, int xDst, int yDst, int WidthDst, int HeightDst, int xSrc, int ySrc,
                     int WidthSrc, int HeightSrc) const;

  private:
    void CreateSurface(std::int32_t width, std::int32_t height);
    void DestroySurface();

    win::ScopedDC dc_;
    win::ScopedBitmap bitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

inline constexpr COLORREF kMaskColour = RGB(255, 0, 255);

// Copies a block from source to target leaving out the pixels of the mask colour. The result is
// composed off-screen and written to the target in one copy, so it never flickers.
void MaskedCopy(HDC target, int xDst, int yDst, int width, int height, HDC source, int xSrc, int ySrc,
                COLORREF mask, HPALETTE palette);

}  // namespace mulan::scrollbar
