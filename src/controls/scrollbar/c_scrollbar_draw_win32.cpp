#include "controls/scrollbar/c_scrollbar_draw_win32.h"

#include <string>

namespace mulan::scrollbar {
namespace {

Rect FromRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

cScrollbarDraw::cScrollbarDraw(HINSTANCE resources) {
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        const std::wstring name(
            SkinBitmaps()[i].name,
            SkinBitmaps()[i].name + std::char_traits<char16_t>::length(SkinBitmaps()[i].name));
        win::ScopedBitmap picture(static_cast<HBITMAP>(
            LoadImageW(resources, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (picture) surfaces_[i].CreateFromPicture(picture.get());
    }
}

bool cScrollbarDraw::AllLoaded() const {
    for (std::size_t i = 0; i < surfaces_.size(); ++i) {
        if (surfaces_[i].Width() != SkinBitmaps()[i].width ||
            surfaces_[i].Height() != SkinBitmaps()[i].height)
            return false;
    }
    return true;
}

void cScrollbarDraw::Run(HDC hdc, const SkinPlan& plan) const {
    for (const SkinBlit& b : plan) {
        const pcMemDC& surface = surfaces_[b.bitmap];
        if (b.kind == BlitKind::Stretch) {
            // An empty or inverted target has nothing to show.
            if (b.target.width <= 0 || b.target.height <= 0) continue;
            surface.StretchDraw(hdc, b.target.x, b.target.y, b.target.width, b.target.height, b.source.x,
                                b.source.y, b.source.width, b.source.height);
        } else {
            surface.Draw(hdc, b.source.x, b.source.y, b.source.width, b.source.height, b.target.x, b.target.y,
                         b.kind == BlitKind::CopyMasked);
        }
    }
}

void cScrollbarDraw::DrawArrow1(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const {
    Run(hdc, PlanArrow1(orientation, state, FromRect(r)));
}

void cScrollbarDraw::DrawArrow2(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const {
    Run(hdc, PlanArrow2(orientation, state, FromRect(r)));
}

void cScrollbarDraw::DrawTrack(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const {
    Run(hdc, PlanTrack(orientation, state, FromRect(r)));
}

void cScrollbarDraw::DrawThumb(HDC hdc, std::int32_t orientation, std::int32_t state, const RECT& r) const {
    Run(hdc, PlanThumb(orientation, state, FromRect(r)));
}

}  // namespace mulan::scrollbar
