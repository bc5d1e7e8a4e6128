#include "controls/scrollbar/uc_scrollbar_win32.h"

#include "base/dpi_scale.h"
#include "window/window_hook_win32.h"

#include <algorithm>

namespace mulan::scrollbar {
namespace {

constexpr wchar_t kClassName[] = L"MulanScrollbar";

Point PointFromLParam(LPARAM lp) {
    return {static_cast<std::int16_t>(LOWORD(lp)), static_cast<std::int16_t>(HIWORD(lp))};
}

RECT ToRect(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// Hands the model's parts to the skin painter on one device context; the filler is the pattern
// brush in colours that sit between the track's tones.
class PaintSession final : public ScrollbarPainter {
  public:
    PaintSession(HDC dc, const cScrollbarDraw& draw, HBRUSH pattern)
        : dc_(dc), draw_(draw), pattern_(pattern) {}
    void DrawArrow1(std::int32_t o, std::int32_t s, const Rect& r) override {
        draw_.DrawArrow1(dc_, o, s, ToRect(r));
    }
    void DrawArrow2(std::int32_t o, std::int32_t s, const Rect& r) override {
        draw_.DrawArrow2(dc_, o, s, ToRect(r));
    }
    void DrawTrack(std::int32_t o, std::int32_t s, const Rect& r) override {
        draw_.DrawTrack(dc_, o, s, ToRect(r));
    }
    void DrawThumb(std::int32_t o, std::int32_t s, const Rect& r) override {
        draw_.DrawThumb(dc_, o, s, ToRect(r));
    }
    void FillPattern(const Rect& r) override {
        const RECT area = ToRect(r);
        const COLORREF text = SetTextColor(dc_, RGB(196, 214, 222));
        const COLORREF back = SetBkColor(dc_, RGB(240, 246, 248));
        FillRect(dc_, &area, pattern_);
        SetTextColor(dc_, text);
        SetBkColor(dc_, back);
    }

  private:
    HDC dc_;
    const cScrollbarDraw& draw_;
    HBRUSH pattern_;
};

}  // namespace

ucScrollbar::ucScrollbar() : model_(*this) {
    // 8 x 8 monochrome rows alternately 0xAA and 0x55 (word-aligned rows): a 50 % checkerboard.
    static constexpr WORD kRows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    patternBitmap_.reset(CreateBitmap(8, 8, 1, 1, kRows));
    patternBrush_.reset(CreatePatternBrush(patternBitmap_.get()));
}

ucScrollbar::~ucScrollbar() {
    hook_.reset();  // unhooks before the window goes
    if (hwnd()) {
        for (UINT_PTR id : {TimerHotPart, TimerDelay, TimerRepeat}) KillTimer(hwnd(), id);
    }
    Destroy();
}

bool ucScrollbar::Create(HWND parent, int x, int y, int width, int height, const ScrollbarProperties& stored,
                         bool visible) {
    if (!RegisterClassOnce(kClassName, nullptr, nullptr, CS_DBLCLKS)) return false;
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    if (!CreateWindowFor(kClassName, L"", style, 0, x, y, width, height, parent)) return false;
    RECT client{};
    GetClientRect(hwnd(), &client);
    model_.Load(stored, ScaleFromDpi(client.right, dpi_), ScaleFromDpi(client.bottom, dpi_));
    EnableWindow(hwnd(), stored.enabled);
    HookOwnWindow();
    return true;
}

void ucScrollbar::HookOwnWindow() {
    using namespace window;
    hook_ = std::make_unique<WindowHook>(*this, Win32HookInstaller());
    const HookWindowHandle self = ToHookHandle(hwnd());
    if (hook_->HookWindow(self) < 0) return;
    hook_->AddHookMessage(self, WM_PAINT, PhaseBefore);
    hook_->AddHookMessage(self, WM_SIZE, PhaseBefore);
    hook_->AddHookMessage(self, WM_CANCELMODE, PhaseAfter);
    hook_->AddHookMessage(self, WM_MOUSEMOVE, PhaseAfter);
    hook_->AddHookMessage(self, WM_LBUTTONDOWN, PhaseAfter);
    hook_->AddHookMessage(self, WM_LBUTTONUP, PhaseAfter);
    hook_->AddHookMessage(self, WM_LBUTTONDBLCLK, PhaseAfter);
    hook_->AddHookMessage(self, WM_TIMER, PhaseAfter);
    // Losing the mouse to another window ends a press as a release would.
    hook_->AddHookMessage(self, WM_CAPTURECHANGED, PhaseAfter);
}

LRESULT ucScrollbar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // Everything the control reacts to arrives through its hook; erasing is left to painting.
    if (msg == WM_ERASEBKGND) return 1;
    return Default(msg, wp, lp);
}

void ucScrollbar::zSubclass_Proc(bool bBefore, bool& bHandled, window::HookResult& lReturn,
                                 window::HookWindowHandle& lng_hWnd, window::HookMessage& uMsg,
                                 window::HookWParam& wParam, window::HookLParam& lParam) {
    if (window::ToHwnd(lng_hWnd) != hwnd()) return;
    if (bBefore) {
        if (uMsg == WM_SIZE) {
            ResizeModel();
        } else if (uMsg == WM_PAINT) {
            win::ScopedPaint paint(hwnd());
            PaintTo(paint.get());
        } else {
            return;
        }
        bHandled = true;
        lReturn = 0;
        return;
    }
    switch (uMsg) {
        case WM_CANCELMODE:
        case WM_LBUTTONUP:
            Release();
            break;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != hwnd() && model_.PressedPart() != PartNone)
                model_.OnRelease();
            break;
        case WM_TIMER:
            model_.OnTimer(static_cast<std::int32_t>(wParam));
            break;
        case WM_MOUSEMOVE:
            model_.OnMouseMove(static_cast<std::uint32_t>(wParam), ToDesign(PointFromLParam(lParam)));
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:  // a double click is a second press
            Press(wParam, lParam);
            break;
        default:
            break;
    }
}

void ucScrollbar::Press(WPARAM keys, LPARAM position) {
    model_.OnMouseDown(static_cast<std::uint32_t>(keys), ToDesign(PointFromLParam(position)));
    if (model_.PressedPart() != PartNone) SetCapture(hwnd());
}

void ucScrollbar::Release() {
    model_.OnRelease();
    if (GetCapture() == hwnd()) ReleaseCapture();
}

void ucScrollbar::PaintTo(HDC dc) {
    if (!painter_) painter_ = std::make_unique<cScrollbarDraw>(GetModuleHandleW(nullptr));
    if (dpi_ == kBaseDpi) {
        PaintSession session(dc, *painter_, patternBrush_.get());
        model_.Paint(session);
        return;
    }
    // Painted at the design's size, then stretched over the control's pixels.
    RECT client{};
    GetClientRect(hwnd(), &client);
    const int width = std::max(1, ScaleFromDpi(client.right, dpi_));
    const int height = std::max(1, ScaleFromDpi(client.bottom, dpi_));
    win::ScopedDC memory(CreateCompatibleDC(dc));
    win::ScopedBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
    if (!memory || !bitmap) return;
    {
        win::ScopedSelect select(memory.get(), bitmap.get());
        PaintSession session(memory.get(), *painter_, patternBrush_.get());
        model_.Paint(session);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, width, height, SRCCOPY);
    }
}

void ucScrollbar::SetDpi(int dpi) {
    dpi_ = dpi < 1 ? kBaseDpi : dpi;
    if (hwnd()) ResizeModel();
}

void ucScrollbar::ResizeModel() {
    RECT client{};
    GetClientRect(hwnd(), &client);
    model_.Resize(ScaleFromDpi(client.right, dpi_), ScaleFromDpi(client.bottom, dpi_));
}

Point ucScrollbar::ToDesign(Point pixel) const {
    return {ScaleFromDpi(pixel.x, dpi_), ScaleFromDpi(pixel.y, dpi_)};
}

bool ucScrollbar::Enabled() const {
    return hwnd() && IsWindowEnabled(hwnd());
}

void ucScrollbar::SetEnabled(bool enabled) {
    if (hwnd()) EnableWindow(hwnd(), enabled);
    model_.SetEnabled(enabled);
}

void ucScrollbar::Refresh() {
    Invalidate();
}

ScrollbarProperties ucScrollbar::Properties() const {
    ScrollbarProperties p = model_.Properties();
    p.enabled = Enabled();
    return p;
}

// The control's own visibility, whatever its container's.
bool ucScrollbar::Visible() const {
    return hwnd() && (GetWindowLongW(hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void ucScrollbar::SetVisible(bool visible) {
    if (!hwnd() || Visible() == visible) return;
    ShowWindow(hwnd(), visible ? SW_SHOWNA : SW_HIDE);
    if (!events_) return;
    if (visible) {
        events_->Show();
    } else {
        events_->Hide();
    }
}

std::int32_t ucScrollbar::Width() const {
    RECT r{};
    if (hwnd()) GetWindowRect(hwnd(), &r);
    return r.right - r.left;
}

std::int32_t ucScrollbar::Height() const {
    RECT r{};
    if (hwnd()) GetWindowRect(hwnd(), &r);
    return r.bottom - r.top;
}

void ucScrollbar::Move(int left, int top, int width, int height) {
    if (hwnd()) MoveWindow(hwnd(), left, top, width, height, TRUE);
}

void ucScrollbar::Invalidate() {
    if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void ucScrollbar::StartTimer(std::int32_t id, std::int32_t intervalMs) {
    if (hwnd())
        SetTimer(hwnd(), static_cast<UINT_PTR>(id), static_cast<UINT>(intervalMs < 0 ? 0 : intervalMs),
                 nullptr);
}

void ucScrollbar::StopTimer(std::int32_t id) {
    if (hwnd()) KillTimer(hwnd(), static_cast<UINT_PTR>(id));
}

Point ucScrollbar::PointerInClient() {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd(), &p);
    return ToDesign({p.x, p.y});
}

bool ucScrollbar::PointerOverControl() {
    POINT p{};
    GetCursorPos(&p);
    return WindowFromPoint(p) == hwnd();
}

void ucScrollbar::RaiseChange() {
    if (events_) events_->Change();
}

void ucScrollbar::RaiseScroll() {
    if (events_) events_->Scroll();
}

}  // namespace mulan::scrollbar
