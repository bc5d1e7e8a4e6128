// Paints the scrollbar in every state and size class onto one sheet and writes it as a BMP next to
// the test program, for people to look at; the checks compare the states against each other.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "controls/scrollbar/uc_scrollbar_win32.h"
#include "dib_canvas_win32.h"

namespace mulan::scrollbar {
namespace {

using testing::DibCanvas;
using Setup = std::function<void(ucScrollbar&)>;

void Mouse(ucScrollbar& bar, UINT msg, WPARAM keys, int x, int y) {
    SendMessageW(bar.hWnd(), msg, keys, MAKELPARAM(x, y));
}

// Mouse messages at the middle of a part.
void At(ucScrollbar& bar, UINT msg, WPARAM keys, const Rect& r) {
    Mouse(bar, msg, keys, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

struct Cell {
    const wchar_t* label;
    std::int32_t orientation;
    int width;
    int height;
    Setup setup;
};

const Setup kNormal = [](ucScrollbar&) {};
const Setup kHovered = [](ucScrollbar& b) { At(b, WM_MOUSEMOVE, 0, b.Model().Layout().track2); };
const Setup kHotArrow = [](ucScrollbar& b) {
    At(b, WM_MOUSEMOVE, 0, b.Model().Layout().arrow1);
    At(b, WM_MOUSEMOVE, 0, b.Model().Layout().arrow1);
};
const Setup kHotThumb = [](ucScrollbar& b) {
    At(b, WM_MOUSEMOVE, 0, b.Model().Layout().thumb);
    At(b, WM_MOUSEMOVE, 0, b.Model().Layout().thumb);
};
const Setup kPressedArrow = [](ucScrollbar& b) {
    At(b, WM_MOUSEMOVE, 0, b.Model().Layout().track2);
    At(b, WM_LBUTTONDOWN, MK_LBUTTON, b.Model().Layout().arrow2);
};
const Setup kPressedTrack = [](ucScrollbar& b) {
    At(b, WM_LBUTTONDOWN, MK_LBUTTON, b.Model().Layout().track2);
};
const Setup kDragging = [](ucScrollbar& b) {
    const Rect t = b.Model().Layout().thumb;
    At(b, WM_LBUTTONDOWN, MK_LBUTTON, t);
    const bool h = b.Orientation() == OrientationHorizontal;
    Mouse(b, WM_MOUSEMOVE, MK_LBUTTON, (t.left + t.right) / 2 + (h ? 30 : 0),
          (t.top + t.bottom) / 2 + (h ? 0 : 30));
};
const Setup kDisabled = [](ucScrollbar& b) { b.SetEnabled(false); };
const Setup kAtMax = [](ucScrollbar& b) { b.SetValue(b.Max()); };
const Setup kNoButtons = [](ucScrollbar& b) { b.SetShowButtons(false); };
const Setup kFullThumb = [](ucScrollbar& b) { b.SetMax(5); };

std::vector<Cell> StateCells(std::int32_t o, int w, int h) {
    return {{L"normal", o, w, h, kNormal},
            {L"hovered", o, w, h, kHovered},
            {L"hot arrow", o, w, h, kHotArrow},
            {L"hot thumb", o, w, h, kHotThumb},
            {L"pressed arrow", o, w, h, kPressedArrow},
            {L"pressed track", o, w, h, kPressedTrack},
            {L"dragging", o, w, h, kDragging},
            {L"disabled", o, w, h, kDisabled},
            {L"at max", o, w, h, kAtMax},
            {L"no buttons", o, w, h, kNoButtons},
            {L"range<large", o, w, h, kFullThumb}};
}

class Sheet {
  public:
    Sheet() : canvas_(1000, 720, RGB(255, 255, 255)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MulanScrollbarSheetHost";
        RegisterClassW(&wc);
        host_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr,
                                wc.hInstance, nullptr);
        SetBkMode(canvas_.dc(), TRANSPARENT);
        SelectObject(canvas_.dc(), GetStockObject(DEFAULT_GUI_FONT));
    }
    ~Sheet() { DestroyWindow(host_); }

    void Text(int x, int y, const wchar_t* text) {
        TextOutW(canvas_.dc(), x, y, text, static_cast<int>(wcslen(text)));
    }

    // Creates the control, brings it into its state, paints it at (x, y) and lets it go again.
    void Paint(const Cell& cell, int x, int y) {
        ucScrollbar bar;
        ScrollbarProperties p;
        p.orientation = cell.orientation;
        p.value = 30;
        p.largeChange = 25;
        ASSERT_TRUE(bar.Create(host_, 0, 0, cell.width, cell.height, p));
        cell.setup(bar);
        // Clipped to the control's own area, as its window would be.
        const int saved = SaveDC(canvas_.dc());
        SetViewportOrgEx(canvas_.dc(), x, y, nullptr);
        IntersectClipRect(canvas_.dc(), 0, 0, cell.width, cell.height);
        bar.PaintTo(canvas_.dc());
        RestoreDC(canvas_.dc(), saved);
        Mouse(bar, WM_LBUTTONUP, 0, 0, 0);
    }

    DibCanvas& canvas() { return canvas_; }

  private:
    DibCanvas canvas_;
    HWND host_;
};

TEST(ScrollbarSheet, EveryStateAndSizeClass) {
    Sheet sheet;
    sheet.Text(10, 4, L"Vertical 18 x 160: states");
    const auto vertical = StateCells(OrientationVertical, 18, 160);
    for (std::size_t i = 0; i < vertical.size(); ++i) {
        const int x = 20 + static_cast<int>(i) * 88;
        sheet.Paint(vertical[i], x, 24);
        sheet.Text(x - 4, 188, vertical[i].label);
    }

    sheet.Text(10, 214,
               L"Vertical size classes (height 44, 43, 36, 35, 20, 9; wide 30 and 40; no buttons 12)");
    const std::vector<Cell> verticalSizes = {
        {L"h 44", 0, 18, 44, kNormal},        {L"h 43", 0, 18, 43, kNormal},
        {L"h 36", 0, 18, 36, kNormal},        {L"h 35", 0, 18, 35, kHovered},
        {L"h 20", 0, 18, 20, kNormal},        {L"h 9", 0, 18, 9, kNormal},
        {L"w 30", 0, 30, 120, kHotThumb},     {L"w 40", 0, 40, 120, kPressedArrow},
        {L"no btn 12", 0, 18, 12, kNoButtons}};
    for (std::size_t i = 0; i < verticalSizes.size(); ++i) {
        const int x = 20 + static_cast<int>(i) * 88;
        sheet.Paint(verticalSizes[i], x, 234);
        sheet.Text(x - 4, 358, verticalSizes[i].label);
    }

    sheet.Text(10, 384, L"Horizontal 260 x 17: states");
    const auto horizontal = StateCells(OrientationHorizontal, 260, 17);
    for (std::size_t i = 0; i < horizontal.size(); ++i) {
        const int y = 404 + static_cast<int>(i) * 26;
        sheet.Text(10, y + 2, horizontal[i].label);
        sheet.Paint(horizontal[i], 110, y);
    }

    sheet.Text(420, 384, L"Horizontal size classes");
    const std::vector<Cell> horizontalSizes = {{L"w 44", 1, 44, 17, kNormal},
                                               {L"w 43", 1, 43, 17, kNormal},
                                               {L"w 36", 1, 36, 17, kNormal},
                                               {L"w 35", 1, 35, 17, kHovered},
                                               {L"w 20", 1, 20, 17, kNormal},
                                               {L"h 21", 1, 260, 21, kHotThumb},
                                               {L"h 30", 1, 260, 30, kPressedArrow},
                                               {L"thumb 15 (no grip)", 1, 51, 17, kFullThumb},
                                               {L"thumb 16 (grip)", 1, 52, 17, kFullThumb}};
    for (std::size_t i = 0; i < horizontalSizes.size(); ++i) {
        const int y = 404 + static_cast<int>(i) * 34;
        sheet.Text(420, y + 2, horizontalSizes[i].label);
        sheet.Paint(horizontalSizes[i], 540, y);
    }

    DibCanvas& c = sheet.canvas();
    // Vertical states: column i starts at x = 20 + 88 i, the control at y = 24; arrow 1 glyph apex at (8, 7).
    const auto vpx = [&](int column, int x, int y) { return c.Pixel(20 + column * 88 + x, 24 + y); };
    EXPECT_NE(vpx(0, 2, 2), vpx(1, 2, 2)) << "a hovered control shows button boxes";
    EXPECT_NE(vpx(1, 2, 2), vpx(2, 2, 2)) << "the hot arrow differs from the hovered one";
    EXPECT_NE(vpx(4, 2, 160 - 16), vpx(2, 2, 2)) << "pressed differs from hot";
    EXPECT_NE(vpx(0, 8, 7), vpx(7, 8, 7)) << "disabled glyph";
    EXPECT_NE(vpx(0, 9, 60), vpx(5, 9, 60)) << "pressed track is darker";
    // Horizontal: the thumb 16 long has a grip, 15 long none.
    const auto hasDark = [&](int y) {
        for (int x = 540; x < 600; ++x)
            if (GetRValue(c.Pixel(x, y + 8)) < 140) return true;
        return false;
    };
    const int row15 = 404 + 7 * 34, row16 = 404 + 8 * 34;
    int darkBetweenArrows15 = 0, darkBetweenArrows16 = 0;
    for (int x = 540 + 18; x < 540 + 34; ++x) {
        darkBetweenArrows15 += GetRValue(c.Pixel(x, row15 + 8)) < 140;
        darkBetweenArrows16 += GetRValue(c.Pixel(x, row16 + 8)) < 140;
    }
    EXPECT_TRUE(hasDark(row15)) << "the arrow glyphs";
    EXPECT_EQ(darkBetweenArrows15, 0);
    EXPECT_GT(darkBetweenArrows16, 0);

    char full[MAX_PATH]{};
    GetFullPathNameA("scrollbar-sheet.bmp", MAX_PATH, full, nullptr);
    ASSERT_TRUE(c.WriteBmp(full));
    std::printf("scrollbar sheet: %s\n", full);
}

}  // namespace
}  // namespace mulan::scrollbar
