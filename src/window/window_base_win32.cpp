#include "window/window_base_win32.h"

#include "base/report.h"

namespace mulan::window {

WindowBase::~WindowBase() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool WindowBase::RegisterClassOnce(const wchar_t* className, HICON icon, HBRUSH background, UINT style) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (GetClassInfoExW(instance, className, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &WindowBase::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0;
}

bool WindowBase::CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                                 int x, int y, int width, int height, HWND parent, HMENU menu) {
    return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                           GetModuleHandleW(nullptr), this) != nullptr;
}

LRESULT CALLBACK WindowBase::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
        result = DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace mulan::window
