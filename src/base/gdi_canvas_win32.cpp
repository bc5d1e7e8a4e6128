#include "base/gdi_canvas_win32.h"

#include "base/wide_text_win32.h"

namespace mulan::win {

namespace {

RECT ToRect(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

}  // namespace

GdiCanvas::GdiCanvas(HDC dc, HFONT font) : dc_(dc), font_(dc, font) {
    SetBkMode(dc_, TRANSPARENT);
}

HBRUSH GdiCanvas::Brush(Colour colour) {
    auto& brush = brushes_[colour];
    if (!brush) brush.reset(CreateSolidBrush(colour));
    return brush.get();
}

void GdiCanvas::FillRect(const Rect& rect, Colour colour) {
    const RECT r = ToRect(rect);
    ::FillRect(dc_, &r, Brush(colour));
}

void GdiCanvas::SetTextColour(Colour colour) {
    SetTextColor(dc_, colour);
}

void GdiCanvas::DrawText(TextView text, const Rect& rect, TextAlign align) {
    RECT r = ToRect(rect);
    ::DrawTextW(dc_, Wide(text).c_str(), static_cast<int>(text.size()), &r,
                align == TextAlign::Center ? DT_CENTER : DT_LEFT);
}

SIZE GdiCanvas::Measure(TextView text) {
    SIZE size{};
    GetTextExtentPoint32W(dc_, Wide(text).c_str(), static_cast<int>(text.size()), &size);
    return size;
}

int32_t GdiCanvas::TextWidth(TextView text) {
    return Measure(text).cx;
}

int32_t GdiCanvas::TextHeight(TextView text) {
    // An empty text still has the font's line height.
    return Measure(text.empty() ? TextView(u" ") : text).cy;
}

void GdiCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour colour, int32_t penWidth) {
    ScopedPen pen(CreatePen(PS_SOLID, penWidth, colour));
    ScopedSelect select(dc_, pen.get());
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
}

void GdiCanvas::RectOutline(const Rect& rect, Colour colour, int32_t penWidth) {
    ScopedPen pen(CreatePen(PS_INSIDEFRAME, penWidth, colour));
    ScopedSelect selectPen(dc_, pen.get());
    ScopedSelect selectBrush(dc_, GetStockObject(NULL_BRUSH));
    // The outline's corners are both inside it.
    Rectangle(dc_, rect.left, rect.top, rect.right + 1, rect.bottom + 1);
}

void GdiCanvas::FocusRect(const Rect& rect) {
    const RECT r = ToRect(rect);
    ::DrawFocusRect(dc_, &r);
}

bool GdiCanvas::DrawIcon(std::span<const uint8_t> image, int32_t width, int32_t height, int32_t x,
                         int32_t y) {
    const HICON icon =
        CreateIconFromResourceEx(const_cast<PBYTE>(image.data()), static_cast<DWORD>(image.size()), TRUE,
                                 0x00030000, width, height, 0);
    if (!icon) return false;
    const bool drawn = DrawIconEx(dc_, x, y, icon, width, height, 0, nullptr, DI_NORMAL) != FALSE;
    DestroyIcon(icon);
    return drawn;
}

}  // namespace mulan::win
