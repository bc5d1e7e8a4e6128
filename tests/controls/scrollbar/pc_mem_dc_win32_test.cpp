#include "controls/scrollbar/pc_mem_dc_win32.h"

#include <gtest/gtest.h>

#include "dib_canvas_win32.h"

namespace mulan::scrollbar {
namespace {

using testing::DibCanvas;

constexpr COLORREF kRed = RGB(200, 10, 10);
constexpr COLORREF kBlue = RGB(10, 10, 200);

void FillSurface(const pcMemDC& surface, int x, int y, int w, int h, COLORREF colour) {
    win::ScopedBrush brush(CreateSolidBrush(colour));
    const RECT r{x, y, x + w, y + h};
    FillRect(surface.hdc(), &r, brush.get());
}

TEST(pcMemDC, SurfaceOnlyGrowsAndEachGrowthRebuildsIt) {
    pcMemDC surface;
    EXPECT_EQ(surface.Width(), 0);
    EXPECT_EQ(surface.hdc(), nullptr);
    surface.SetWidth(10);
    EXPECT_EQ(surface.Width(), 10);
    EXPECT_EQ(surface.Height(), 0);
    surface.SetHeight(5);
    EXPECT_EQ(surface.Width(), 10);
    EXPECT_EQ(surface.Height(), 5);
    ASSERT_NE(surface.hdc(), nullptr);
    const HDC before = surface.hdc();
    surface.SetWidth(8);
    EXPECT_EQ(surface.Width(), 10) << "not larger: nothing changes";
    EXPECT_EQ(surface.hdc(), before);
    surface.SetHeight(12);
    EXPECT_EQ(surface.Height(), 12);
    EXPECT_EQ(surface.Width(), 10);
}

TEST(pcMemDC, CreateFromPictureSizesToTheBitmapAndKeepsALargerSurface) {
    win::ScopedWindowDC screen(nullptr);
    win::ScopedBitmap own(CreateCompatibleBitmap(screen.get(), 4, 17));
    {
        win::ScopedDC dc(CreateCompatibleDC(screen.get()));
        win::ScopedSelect select(dc.get(), own.get());
        win::ScopedBrush red(CreateSolidBrush(kRed));
        const RECT all{0, 0, 4, 17};
        FillRect(dc.get(), &all, red.get());
    }
    pcMemDC surface;
    surface.CreateFromPicture(own.get());
    EXPECT_EQ(surface.Width(), 4);
    EXPECT_EQ(surface.Height(), 17);
    EXPECT_EQ(GetPixel(surface.hdc(), 3, 16), kRed);

    pcMemDC larger;
    larger.SetWidth(20);
    larger.SetHeight(20);
    larger.CreateFromPicture(own.get());
    EXPECT_EQ(larger.Width(), 20);
    EXPECT_EQ(larger.Height(), 20);
    EXPECT_EQ(GetPixel(larger.hdc(), 0, 0), kRed) << "the picture lands in the top-left corner";
}

TEST(pcMemDC, DrawWithZeroSizeCopiesTheWholeSurface) {
    pcMemDC surface;
    surface.SetWidth(6);
    surface.SetHeight(4);
    FillSurface(surface, 0, 0, 6, 4, kBlue);
    DibCanvas target(20, 20);
    surface.Draw(target.dc(), 0, 0, 0, 0, 3, 5, false);
    EXPECT_EQ(target.Pixel(3, 5), kBlue);
    EXPECT_EQ(target.Pixel(8, 8), kBlue);
    EXPECT_EQ(target.Pixel(9, 8), RGB(1, 2, 3));
    EXPECT_EQ(target.Pixel(8, 9), RGB(1, 2, 3));
}

TEST(pcMemDC, MaskedDrawLeavesMagentaOut) {
    pcMemDC surface;
    surface.SetWidth(8);
    surface.SetHeight(4);
    FillSurface(surface, 0, 0, 8, 4, kMaskColour);
    FillSurface(surface, 4, 0, 2, 4, kRed);
    DibCanvas target(10, 10, kBlue);
    surface.Draw(target.dc(), 0, 0, 4, 4, 1, 1, true);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(target.Pixel(x, y), kBlue) << "an all-magenta block changes nothing";
    surface.Draw(target.dc(), 0, 0, 8, 4, 1, 1, true);
    EXPECT_EQ(target.Pixel(5, 2), kRed);
    EXPECT_EQ(target.Pixel(6, 2), kRed);
    EXPECT_EQ(target.Pixel(4, 2), kBlue);
    EXPECT_EQ(target.Pixel(7, 2), kBlue);
    surface.Draw(target.dc(), 0, 0, 8, 4, 1, 6, false);
    EXPECT_EQ(target.Pixel(1, 6), kMaskColour) << "a plain copy keeps magenta";
}

TEST(pcMemDC, StretchDrawScalesAndNoSurfaceDrawsNothing) {
    pcMemDC surface;
    surface.SetWidth(2);
    surface.SetHeight(2);
    FillSurface(surface, 0, 0, 2, 1, kRed);
    FillSurface(surface, 0, 1, 2, 1, kBlue);
    DibCanvas target(10, 10);
    surface.StretchDraw(target.dc(), 0, 0, 10, 10, 0, 0, 0, 0);
    EXPECT_EQ(target.Pixel(9, 4), kRed);
    EXPECT_EQ(target.Pixel(0, 5), kBlue);

    pcMemDC empty;
    DibCanvas untouched(4, 4);
    empty.Draw(untouched.dc(), 0, 0, 0, 0, 0, 0, true);
    empty.StretchDraw(untouched.dc(), 0, 0, 4, 4, 0, 0, 0, 0);
    EXPECT_EQ(untouched.Pixel(0, 0), RGB(1, 2, 3));
}

}  // namespace
}  // namespace mulan::scrollbar
