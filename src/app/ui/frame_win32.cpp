#include "app/ui/frame_win32.h"

#include "base/scoped_gdi_win32.h"

namespace mulan::app::ui {

namespace {
constexpr wchar_t kClassName[] = L"MulanFrame";
}

bool FrameControl::Create(HWND parent, const RECT& area, int controlId) {
    if (!RegisterClassOnce(kClassName, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) return false;
    return CreateWindowFor(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
}

LRESULT FrameControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT: {
            const win::ScopedPaint paint(hwnd());
            RECT r;
            GetClientRect(hwnd(), &r);
            // The border runs through the middle of a caption line, as a frame's does.
            r.top += 6;
            DrawEdge(paint.get(), &r, EDGE_ETCHED, BF_RECT);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (onMouseMove) onMouseMove();
            return 0;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app::ui
