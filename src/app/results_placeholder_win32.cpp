#include "app/results_placeholder_win32.h"

namespace mulan::app {

namespace {
constexpr wchar_t kClassName[] = L"MulanResultsPlaceholder";
}

bool ResultsPlaceholder::Create(HICON icon) {
    if (!RegisterClassOnce(kClassName, icon, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) return false;
    return CreateWindowFor(kClassName, L"音乐搜索", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                           0, CW_USEDEFAULT, CW_USEDEFAULT, 330, 420, nullptr);
}

LRESULT ResultsPlaceholder::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // Closing only hides it, as the main window brings it back.
    if (msg == WM_CLOSE) {
        ShowWindow(hwnd(), SW_HIDE);
        return 0;
    }
    return Default(msg, wp, lp);
}

}  // namespace mulan::app
