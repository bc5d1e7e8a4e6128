#include "window/control_win32.h"

#include <commctrl.h>

#include "base/wide_text_win32.h"
#include "window/window_base_win32.h"

namespace mulan::window {

namespace {
constexpr UINT_PTR kSubclassId = 0x6374;  // "ct"
// Where a control's window keeps its object, for the notifications its parent receives.
constexpr wchar_t kObjectProperty[] = L"MulanControl";
}  // namespace

Control::~Control() {
    const HWND window = hwnd_;
    const bool owned = owned_;
    Detach();
    if (window && owned) DestroyWindow(window);
}

bool Control::Create(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& place,
                     HWND parent, int id, DWORD exStyle) {
    const HWND window = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, place.left,
                                        place.top, place.right - place.left, place.bottom - place.top, parent,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                        GetModuleHandleW(nullptr), nullptr);
    if (!window) return false;
    if (Attach(window, true)) return true;
    DestroyWindow(window);
    return false;
}

bool Control::Adopt(HWND window) {
    return window && Attach(window, false);
}

bool Control::Attach(HWND window, bool owned) {
    if (!SetPropW(window, kObjectProperty, this)) return false;
    if (!SetWindowSubclass(window, &Control::Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        RemovePropW(window, kObjectProperty);
        return false;
    }
    hwnd_ = window;
    owned_ = owned;
    return true;
}

void Control::Detach() {
    if (hwnd_) {
        RemoveWindowSubclass(hwnd_, &Control::Proc, kSubclassId);
        RemovePropW(hwnd_, kObjectProperty);
    }
    hwnd_ = nullptr;
}

void Control::SetFont(HFONT font) const {
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void Control::Place(const RECT& place) const {
    MoveWindow(hwnd_, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
}

void Control::SetText(TextView text) const {
    SetWindowTextW(hwnd_, win::Wide(text).c_str());
}

Text Control::GetText() const {
    return win::WindowText(hwnd_);
}

Control* Control::FromNotification(UINT msg, WPARAM, LPARAM lp) {
    HWND sender = nullptr;
    switch (msg) {
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
            sender = reinterpret_cast<HWND>(lp);
            break;
        case WM_NOTIFY:
            if (lp) sender = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
            break;
        default:
            return nullptr;
    }
    return sender ? static_cast<Control*>(GetPropW(sender, kObjectProperty)) : nullptr;
}

std::optional<LRESULT> Control::Notified(UINT, WPARAM, LPARAM) {
    return std::nullopt;
}

LRESULT Control::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_MOUSEMOVE && onMouseMove) onMouseMove();
    return Default(msg, wp, lp);
}

LRESULT Control::Default(UINT msg, WPARAM wp, LPARAM lp) const {
    return DefSubclassProc(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Control::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<Control*>(ref);
    if (msg == WM_NCDESTROY) {
        // The system destroys the window first (with its parent): the object lets go of it.
        self->Detach();
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    return Guarded([&] { return self->HandleMessage(msg, wp, lp); },
                   [&] { return DefSubclassProc(hwnd, msg, wp, lp); });
}

}  // namespace mulan::window
