#include "app/playlist_pane_win32.h"

#include <windowsx.h>

namespace mulan::app {

namespace {
constexpr wchar_t kClassName[] = L"MulanPlaylistPlaceholder";
}

bool PlaylistPlaceholder::Create(HWND parent, const RECT& area, int controlId, MouseUpHandler onMouseUp) {
    onMouseUp_ = std::move(onMouseUp);
    if (!RegisterClassOnce(kClassName, nullptr, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))))
        return false;
    return CreateWindowFor(kClassName, L"QMListBox1", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, area.left,
                           area.top, area.right - area.left, area.bottom - area.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)));
}

LRESULT PlaylistPlaceholder::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (onMouseUp_) onMouseUp_(msg == WM_LBUTTONUP ? 1 : 2, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app
