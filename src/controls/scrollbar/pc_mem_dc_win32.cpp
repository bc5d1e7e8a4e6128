#include "controls/scrollbar/pc_mem_dc_win32.h"

namespace mulan::scrollbar {

using win::ScopedBitmap;
using win::ScopedDC;
using win::ScopedPalette;
using win::ScopedPaletteSelect;
using win::ScopedSelect;
using win::ScopedWindowDC;

void pcMemDC::SetWidth(std::int32_t width) {
    if (width > width_) CreateSurface(width, height_);
}

void pcMemDC::SetHeight(std::int32_t height) {
    if (height > height_) CreateSurface(width_, height);
}

void pcMemDC::CreateSurface(std::int32_t width, std::int32_t height) {
    DestroySurface();
    ScopedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    if (!display) return;
    dc_.reset(CreateCompatibleDC(display.get()));
    bitmap_.reset(CreateCompatibleBitmap(display.get(), width, height));
    if (dc_ && bitmap_) {
        const HGDIOBJ previous = SelectObject(dc_.get(), bitmap_.get());
        if (previous && previous != HGDI_ERROR) {
            previousBitmap_ = previous;
            width_ = width;
            height_ = height;
            return;
        }
    }
    DestroySurface();
}

void pcMemDC::DestroySurface() {
    if (previousBitmap_) {
        SelectObject(dc_.get(), previousBitmap_);
        previousBitmap_ = nullptr;
    }
    bitmap_.reset();
    dc_.reset();
    width_ = 0;
    height_ = 0;
}

void pcMemDC::CreateFromPicture(HBITMAP sPic) {
    BITMAP info{};
    if (!sPic || !GetObjectW(sPic, sizeof info, &info)) return;
    SetWidth(info.bmWidth);
    SetHeight(info.bmHeight);
    if (!dc_) return;
    ScopedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    ScopedDC temporary(CreateCompatibleDC(display.get()));
    if (!temporary) return;
    ScopedSelect picture(temporary.get(), sPic);
    BitBlt(dc_.get(), 0, 0, info.bmWidth, info.bmHeight, temporary.get(), 0, 0, SRCCOPY);
}

void pcMemDC::Draw(HDC hdc, int xSrc, int ySrc, int WidthSrc, int HeightSrc, int xDst, int yDst,
                   bool UseMask) const {
    if (!dc_) return;
    if (WidthSrc < 1) WidthSrc = width_;
    if (HeightSrc < 1) HeightSrc = height_;
    if (UseMask) {
        MaskedCopy(hdc, xDst, yDst, WidthSrc, HeightSrc, dc_.get(), xSrc, ySrc, kMaskColour, nullptr);
    } else {
        BitBlt(hdc, xDst, yDst, WidthSrc, HeightSrc, dc_.get(), xSrc, ySrc, SRCCOPY);
    }
}

void pcMemDC::StretchDraw(HDC hdc, int xDst, int yDst, int WidthDst, int HeightDst, int xSrc, int ySrc,
                          int WidthSrc, int HeightSrc) const {
    if (!dc_) return;
    if (WidthSrc < 1) WidthSrc = width_;
    if (HeightSrc < 1) HeightSrc = height_;
    // Whole pixels are repeated or dropped: the skin's bands keep their colours when scaled.
    const int previousMode = SetStretchBltMode(hdc, COLORONCOLOR);
    StretchBlt(hdc, xDst, yDst, WidthDst, HeightDst, dc_.get(), xSrc, ySrc, WidthSrc, HeightSrc, SRCCOPY);
    if (previousMode) SetStretchBltMode(hdc, previousMode);
}

namespace {

// A work area compatible with the screen, with the palette selected and realised.
struct WorkArea {
    WorkArea(HDC screen, int width, int height, HPALETTE palette)
        : dc(CreateCompatibleDC(screen)),
          bitmap(CreateCompatibleBitmap(screen, width, height)),
          select(dc.get(), bitmap.get()),
          paletteSelect(dc.get(), palette) {}
    ScopedDC dc;
    ScopedBitmap bitmap;
    ScopedSelect select;
    ScopedPaletteSelect paletteSelect;
};

COLORREF TranslatedThroughPalette(COLORREF colour, HPALETTE palette) {
    if (!palette) return colour & 0xFFFFFF;
    PALETTEENTRY entry{};
    const UINT index = GetNearestPaletteIndex(palette, colour);
    if (index == CLR_INVALID || !GetPaletteEntries(palette, index, 1, &entry)) return colour & 0xFFFFFF;
    return RGB(entry.peRed, entry.peGreen, entry.peBlue);
}

}  // namespace

void MaskedCopy(HDC target, int xDst, int yDst, int width, int height, HDC source, int xSrc, int ySrc,
                COLORREF mask, HPALETTE palette) {
    if (width < 1 || height < 1) return;
    ScopedWindowDC screen(nullptr);
    if (!screen) return;
    ScopedPalette halftone;
    if (!palette) {
        halftone.reset(CreateHalftonePalette(screen.get()));
        palette = halftone.get();
    }
    const COLORREF maskColour = TranslatedThroughPalette(mask, palette) & 0xFFFFFF;

    WorkArea a(screen.get(), width, height, palette);
    WorkArea b(screen.get(), width, height, palette);
    ScopedDC maskDc(CreateCompatibleDC(screen.get()));
    ScopedBitmap maskBitmap(CreateBitmap(width, height, 1, 1, nullptr));
    ScopedSelect maskSelect(maskDc.get(), maskBitmap.get());
    if (!a.select.ok() || !b.select.ok() || !maskSelect.ok()) return;

    BitBlt(a.dc.get(), 0, 0, width, height, target, xDst, yDst, SRCCOPY);
    SetBkColor(b.dc.get(), GetBkColor(source));
    SetTextColor(b.dc.get(), GetTextColor(source));
    BitBlt(b.dc.get(), 0, 0, width, height, source, xSrc, ySrc, SRCCOPY);

    // Mask: 1 where the source has the mask colour.
    SetBkColor(b.dc.get(), maskColour);
    SetTextColor(b.dc.get(), RGB(255, 255, 255));
    BitBlt(maskDc.get(), 0, 0, width, height, b.dc.get(), 0, 0, SRCCOPY);

    // Masked pixels of the source become black...
    SetTextColor(b.dc.get(), RGB(0, 0, 0));
    SetBkColor(b.dc.get(), RGB(255, 255, 255));
    BitBlt(b.dc.get(), 0, 0, width, height, maskDc.get(), 0, 0, 0x00220326);
    // ...the target keeps only its pixels under the mask, and the opaque source pixels go in.
    BitBlt(a.dc.get(), 0, 0, width, height, maskDc.get(), 0, 0, SRCAND);
    BitBlt(a.dc.get(), 0, 0, width, height, b.dc.get(), 0, 0, SRCPAINT);
    BitBlt(target, xDst, yDst, width, height, a.dc.get(), 0, 0, SRCCOPY);
}

}  // namespace mulan::scrollbar
