#include "controls/playlist/qmlistbox_win32.h"

#include <windowsx.h>

#include <cmath>

#include "base/dpi_scale.h"
#include "base/gdi_canvas_win32.h"
#include "base/window_dpi_win32.h"
#include "window/window_hook_win32.h"

namespace mulan::playlist {

namespace {

constexpr wchar_t kClassName[] = L"MulanQMListBox";
constexpr int kBarWidth = 17;

HFONT MakeFont(const FontSpec& font, int dpi) {
    LOGFONTW logFont{};
    // Points to pixels at the control's resolution, negative for the character height.
    logFont.lfHeight = -MulDiv(static_cast<int>(std::lround(font.Size * 10)), dpi, 720);
    logFont.lfWeight = font.Weight;
    logFont.lfItalic = font.Italic;
    logFont.lfUnderline = font.Underline;
    logFont.lfStrikeOut = font.Strikethrough;
    logFont.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(logFont.lfFaceName, reinterpret_cast<const wchar_t*>(font.Name.c_str()), LF_FACESIZE);
    return CreateFontIndirectW(&logFont);
}

int16_t ShiftState(WPARAM keys) {
    int16_t shift = 0;
    if (keys & MK_SHIFT) shift |= 1;
    if (keys & MK_CONTROL) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

int16_t KeyShiftState() {
    int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

int16_t ButtonState(WPARAM keys) {
    int16_t button = 0;
    if (keys & MK_LBUTTON) button |= 1;
    if (keys & MK_RBUTTON) button |= 2;
    if (keys & MK_MBUTTON) button |= 4;
    return button;
}

}  // namespace

QMListBox::QMListBox()
    : model_(*this, events_, files_),
      properties_(model_, *this, *this),
      painter_(model_, properties_.Colours(), playIcon_),
      input_(model_, *this, events_, *this) {}

QMListBox::~QMListBox() {
    // Hooks come off before the window goes, so no message reaches a half-destroyed control.
    if (hook_) hook_->UnhookAll();
    Destroy();
}

bool QMListBox::Create(HWND parent, int x, int y, int width, int height, const PropertyBag& stored) {
    if (!RegisterClassOnce(kClassName, nullptr, nullptr, CS_DBLCLKS)) return false;
    if (!CreateWindowFor(kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, x, y, width, height,
                         parent)) {
        return false;
    }
    model_.SetDpi(win::WindowDpi(hwnd()));
    bar_.SetEvents(this);
    const int barWidth = model_.Scaled(kBarWidth);
    if (!bar_.Create(hwnd(), width - barWidth, 0, barWidth, height, {}, false)) return false;
    bar_.SetDpi(model_.Dpi());
    RECT client{};
    GetClientRect(hwnd(), &client);
    input_.Resize(client.right, client.bottom);
    properties_.ReadProperties(stored);
    hook_ = std::make_unique<window::WindowHook>(*this, window::Win32HookInstaller());
    if (hook_->HookWindow(window::ToHookHandle(hwnd())) >= 0) {
        hook_->AddHookMessage(window::ToHookHandle(hwnd()), WM_MOUSEWHEEL, window::PhaseAfter);
    }
    LoadPlayIcon();
    return true;
}

void QMListBox::SetDpi(int dpi) {
    if (dpi == model_.Dpi()) return;
    model_.SetDpi(dpi);
    bar_.SetDpi(dpi);
    bar_.Move(0, 0, model_.Scaled(kBarWidth), bar_.Height());
    ApplyFont(properties_.Font());
    MeasureColumns();
    model_.MeasureNumberWidth();
    input_.PlaceBar();
    input_.UpdateScrollRange();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void QMListBox::LoadPlayIcon() {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, L"PLAYICON", L"TCICON");
    if (!found) return;
    const HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    if (bytes) playIcon_.LoadFromData(std::span<const uint8_t>(bytes, SizeofResource(module, found)));
}

PlaylistGeometry QMListBox::Geometry() const {
    RECT client{};
    GetClientRect(hwnd(), &client);
    return PlaylistGeometry{client.right, client.bottom, bar_.Visible(), bar_.Width()};
}

template <class Step>
void QMListBox::DrawOnWindow(Step&& step) {
    if (!hwnd()) return;
    win::ScopedWindowDC dc(hwnd());
    if (!dc) return;
    // The scrollbar draws itself; rows never paint over it.
    win::GdiCanvas canvas(dc.get(), font_.get());
    if (bar_.Visible()) {
        RECT barRect{};
        GetWindowRect(bar_.hWnd(), &barRect);
        MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&barRect), 2);
        ExcludeClipRect(dc.get(), barRect.left, barRect.top, barRect.right, barRect.bottom);
    }
    step(canvas, Geometry());
}

void QMListBox::DrawRow(int16_t index) {
    DrawOnWindow([&](Canvas& canvas, const PlaylistGeometry& g) { painter_.DrawRow(canvas, g, index); });
}

void QMListBox::DrawRows() {
    DrawOnWindow([&](Canvas& canvas, const PlaylistGeometry& g) { painter_.DrawRows(canvas, g); });
}

void QMListBox::EraseControl() {
    DrawOnWindow([&](Canvas& canvas, const PlaylistGeometry& g) { painter_.EraseControl(canvas, g); });
}

void QMListBox::DrawBorder() {
    DrawOnWindow([&](Canvas& canvas, const PlaylistGeometry& g) { painter_.DrawBorder(canvas, g); });
}

void QMListBox::Refresh() {
    DrawOnWindow([&](Canvas& canvas, const PlaylistGeometry& g) { painter_.Paint(canvas, g); });
}

int32_t QMListBox::TextWidth(TextView text) {
    win::ScopedWindowDC dc(hwnd());
    win::GdiCanvas canvas(dc.get(), font_.get());
    return canvas.TextWidth(text);
}

bool QMListBox::TitleFits(int16_t index) {
    return TextWidth(model_.Title(index)) <= painter_.TitleWidth(Geometry());
}

void QMListBox::ApplyFont(const FontSpec& font) {
    font_.reset(MakeFont(font, model_.Dpi()));
}

void QMListBox::MeasureColumns() {
    win::ScopedWindowDC dc(hwnd());
    win::GdiCanvas canvas(dc.get(), font_.get());
    painter_.MeasureColumns(canvas);
}

void QMListBox::Paint() {
    const win::ScopedPaint paint(hwnd());
    const HDC dc = paint.get();
    if (!dc) return;
    // Painted off screen first, so a full repaint never shows a half-drawn list.
    const PlaylistGeometry g = Geometry();
    win::ScopedDC memory(CreateCompatibleDC(dc));
    win::ScopedBitmap bitmap(
        CreateCompatibleBitmap(dc, std::max(1, g.ScaleWidth), std::max(1, g.ScaleHeight)));
    if (memory && bitmap) {
        win::ScopedSelect select(memory.get(), bitmap.get());
        {
            win::GdiCanvas canvas(memory.get(), font_.get());
            painter_.Paint(canvas, g);
        }
        BitBlt(dc, 0, 0, g.ScaleWidth, g.ScaleHeight, memory.get(), 0, 0, SRCCOPY);
    }
}

LRESULT QMListBox::Mouse(UINT msg, WPARAM wp, LPARAM lp) {
    const auto x = static_cast<float>(GET_X_LPARAM(lp));
    const auto y = static_cast<float>(GET_Y_LPARAM(lp));
    const int16_t shift = ShiftState(wp);
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            // The wheel goes to the window with the focus; the release comes here even off the control.
            SetFocus(hwnd());
            SetCapture(hwnd());
            doubleClicked_ = false;
            input_.MouseDown(msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4, shift, x, y);
            return 0;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            SetCapture(hwnd());
            doubleClicked_ = true;
            input_.DoubleClick();
            return 0;
        case WM_MOUSEMOVE:
            input_.MouseMove(ButtonState(wp), shift, x, y);
            return 0;
        default: {
            // Released before the host hears of it: its handler may open a popup menu.
            const bool pressedHere = GetCapture() == hwnd();
            if (pressedHere && ButtonState(wp) == 0) ReleaseCapture();
            RECT client{};
            GetClientRect(hwnd(), &client);
            const POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            input_.MouseUp(msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4, shift, x, y);
            // A click is a press and a release on the control; the release that ends a double click
            // is no further click.
            if (pressedHere && !doubleClicked_ && PtInRect(&client, at)) input_.Click();
            return 0;
        }
    }
}

LRESULT QMListBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PRINTCLIENT: {
            win::GdiCanvas canvas(reinterpret_cast<HDC>(wp), font_.get());
            painter_.Paint(canvas, Geometry());
            return 0;
        }
        case WM_SIZE:
            input_.Resize(LOWORD(lp), HIWORD(lp));
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Alt with a key stays the system's (the window menu, Alt+F4).
            if (msg == WM_SYSKEYDOWN && wp != VK_F10) return Default(msg, wp, lp);
            input_.KeyPressed(static_cast<int16_t>(wp), KeyShiftState());
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            return Mouse(msg, wp, lp);
        default:
            return Default(msg, wp, lp);
    }
}

void QMListBox::zSubclass_Proc(bool, bool&, window::HookResult&, window::HookWindowHandle&,
                               window::HookMessage& uMsg, window::HookWParam& wParam, window::HookLParam&) {
    if (uMsg == WM_MOUSEWHEEL) input_.Wheel(static_cast<int32_t>(static_cast<uint32_t>(wParam)));
}

}  // namespace mulan::playlist
