#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "controls/scrollbar/pc_mem_dc_win32.h"
#include "controls/scrollbar/scrollbar_skin.h"

namespace mulan::scrollbar {

// Paints the scrollbar's parts from the twelve skin bitmaps, whatever the system's visual style.
// A bitmap that cannot be loaded leaves its surface empty, and the parts drawn from it are skipped.
class cScrollbarDraw {
  public:
    // Loads the bitmaps by name from the module's resources.
    explicit cScrollbarDraw(HINSTANCE resources);
    cScrollbarDraw(const cScrollbarDraw&) = delete;
    cScrollbarDraw& operator=(const cScrollbarDraw&) = delete;

    bool AllLoaded() const;
    const pcMemDC& Surface(SkinBitmap bitmap) const { return surfaces_[bitmap]; }

    void DrawArrow1(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const;
    void DrawArrow2(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const;
    void DrawTrack(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const;
    void DrawThumb(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const;

  private:
    void Run(HDC hdc, const SkinPlan& plan) const;

    std::array<pcMemDC, kSkinBitmapCount> surfaces_;
};

}  // namespace mulan::scrollbar
