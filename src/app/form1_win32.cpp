#include "app/form1_win32.h"

#include "app/resource_ids.h"

namespace mulan::app {

namespace {

constexpr wchar_t kClassName[] = L"MulanForm1";
constexpr wchar_t kCaption[] = L"沐岚音乐播放器";
// The client area is 4710 x 7350 twips, 15 twips a pixel at 96 DPI.
constexpr int kClientWidth = 4710 / 15;
constexpr int kClientHeight = 7350 / 15;

}  // namespace

bool Form1::Create(int showCommand) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    if (!RegisterClassOnce(kClassName, icon, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) return false;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    if (!CreateWindowFor(kClassName, kCaption, style, 0, CW_USEDEFAULT, CW_USEDEFAULT,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr)) {
        return false;
    }
    ShowWindow(hwnd(), showCommand);
    UpdateWindow(hwnd());
    return true;
}

LRESULT Form1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app
