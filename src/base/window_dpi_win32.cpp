#include "base/window_dpi_win32.h"

#include "base/dpi_scale.h"
#include "base/scoped_gdi_win32.h"

namespace mulan::win {

namespace {

// Entry points of newer systems, looked up once; null where the system lacks them.
template <class Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using MetricsForDpiFn = int(WINAPI*)(int, UINT);

}  // namespace

int SystemDpi() {
    const ScopedWindowDC screen(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kBaseDpi;
    return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, clientWidth, clientHeight};
    if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

HFONT CreateMessageFont(int dpi) {
    static const auto forDpi = User32Function<SystemParametersForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
        return CreateFontIndirectW(&metrics.lfMessageFont);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    // The system's metrics are for the screen's DPI.
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

HICON LoadIconAt(HINSTANCE instance, int resourceId, int metric, int dpi) {
    static const auto metricsForDpi = User32Function<MetricsForDpiFn>("GetSystemMetricsForDpi");
    const int size = metricsForDpi ? metricsForDpi(metric, static_cast<UINT>(dpi))
                                   : MulDiv(GetSystemMetrics(metric), dpi, SystemDpi());
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace mulan::win
