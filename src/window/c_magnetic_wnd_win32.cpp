#include "window/c_magnetic_wnd_win32.h"

#include "base/report.h"
#include "window/window_hook_win32.h"

namespace mulan::window {
namespace {

Rect FromRECT(const RECT& r) {
    return Rect{r.left, r.top, r.right, r.bottom};
}

RECT ToRECT(const Rect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

constexpr WPARAM kSysRestore = 0xF120;
constexpr WPARAM kSysMinimise = 0xF020;

}  // namespace

cMagneticWnd::cMagneticWnd() : hook_(*this, Win32HookInstaller()) {}

cMagneticWnd::~cMagneticWnd() {
    if (WindowCount() > 0) hook_.UnhookAll();
}

bool cMagneticWnd::AddWindow(HWND hWnd, HWND hWndParent) {
    if (!layout_.AddWindow(ToId(hWnd), ToId(hWndParent))) return false;
    const HookWindowHandle window = ToHookHandle(hWnd);
    // A window whose procedure cannot be hooked (another thread's) still counts as a snap target.
    if (hook_.HookWindow(window) < 0) return true;
    hook_.AddHookMessage(window, WM_ENTERSIZEMOVE, PhaseAfter);
    hook_.AddHookMessage(window, WM_SIZING, PhaseBefore);
    hook_.AddHookMessage(window, WM_MOVING, PhaseBefore);
    hook_.AddHookMessage(window, WM_EXITSIZEMOVE, PhaseAfter);
    hook_.AddHookMessage(window, WM_SYSCOMMAND, PhaseAfter);
    hook_.AddHookMessage(window, WM_COMMAND, PhaseAfter);
    return true;
}

bool cMagneticWnd::RemoveWindow(HWND hWnd) {
    if (!layout_.RemoveWindow(ToId(hWnd))) return false;
    hook_.UnhookWindow(ToHookHandle(hWnd));
    return true;
}

bool cMagneticWnd::IsWindow(WindowId window) {
    return ::IsWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

Rect cMagneticWnd::WindowRect(WindowId window) {
    RECT r{};
    GetWindowRect(reinterpret_cast<HWND>(window), &r);
    return FromRECT(r);
}

bool cMagneticWnd::IsZoomed(WindowId window) {
    return ::IsZoomed(reinterpret_cast<HWND>(window)) != FALSE;
}

Rect cMagneticWnd::WorkArea() {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return FromRECT(r);
}

Point cMagneticWnd::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return Point{p.x, p.y};
}

void cMagneticWnd::zSubclass_Proc(bool bBefore, bool& bHandled, HookResult& lReturn,
                                  HookWindowHandle& lng_hWnd, HookMessage& uMsg, HookWParam& wParam,
                                  HookLParam& lParam) {
    // A failure leaves the message as it came: forwarded, its result untouched.
    try {
        Dispatch(bBefore, bHandled, lReturn, ToHwnd(lng_hWnd), uMsg, wParam, lParam);
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
        bHandled = false;
    }
}

void cMagneticWnd::Dispatch(bool bBefore, bool& bHandled, HookResult& lReturn, HWND hWnd, UINT uMsg,
                            WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
        case WM_ENTERSIZEMOVE:
            layout_.BeginMoveSize(ToId(hWnd));
            return;
        case WM_SIZING:
        case WM_MOVING: {
            auto* rect = reinterpret_cast<RECT*>(lParam);
            if (!bBefore || rect == nullptr) return;
            if (uMsg == WM_SIZING)
                Sizing(hWnd, wParam, *rect);
            else
                Moving(hWnd, *rect);
            bHandled = true;
            lReturn = 1;
            return;
        }
        case WM_SYSCOMMAND:
            if (wParam == kSysRestore || wParam == kSysMinimise) layout_.CheckGlueing();
            return;
        case WM_EXITSIZEMOVE:
        case WM_COMMAND:
            layout_.CheckGlueing();
            return;
        default:
            return;
    }
}

void cMagneticWnd::Sizing(HWND hWnd, WPARAM edge, RECT& rect) const {
    rect = ToRECT(layout_.SnapSizing(ToId(hWnd), FromRECT(rect), static_cast<int32_t>(edge)));
}

void cMagneticWnd::Moving(HWND hWnd, RECT& rect) {
    const Rect snapped = layout_.SnapMoving(ToId(hWnd), FromRECT(rect), glued_);
    MoveGluedWindows();
    rect = ToRECT(snapped);
}

void cMagneticWnd::MoveGluedWindows() const {
    if (glued_.empty()) return;
    HDWP batch = BeginDeferWindowPos(1);
    for (const GluedMove& move : glued_) {
        if (batch == nullptr) return;  // the system dropped the batch; nothing moves
        batch = DeferWindowPos(batch, reinterpret_cast<HWND>(move.window), nullptr, move.left, move.top, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch != nullptr) EndDeferWindowPos(batch);
}

}  // namespace mulan::window
