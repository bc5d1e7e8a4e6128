#include "window/control_win32.h"

#include <commctrl.h>

#include "base/wide_text_win32.h"
#include "window/window_base_win32.h"

namespace mulan::window {

namespace {
constexpr UINT_PTR kSubclassId = 0x6374;  // "ct"
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
    WindowBase* parent = WindowBase::FromHandle(GetParent(window));
    // Without a parent of ours nothing else would tell the control that its window went.
    const bool subclass = HearsOwnMessages() || !parent;
    if (subclass &&
        !SetWindowSubclass(window, &Control::Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = window;
    owned_ = owned;
    subclassed_ = subclass;
    parent_ = parent;
    if (parent_) parent_->controls_.push_back(this);
    return true;
}

void Control::Detach() {
    if (hwnd_ && subclassed_) RemoveWindowSubclass(hwnd_, &Control::Proc, kSubclassId);
    if (parent_) std::erase(parent_->controls_, this);
    parent_ = nullptr;
    hwnd_ = nullptr;
    subclassed_ = false;
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

HWND Control::NotificationSender(UINT msg, WPARAM, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return reinterpret_cast<HWND>(lp);
        case WM_NOTIFY:
            return lp ? reinterpret_cast<const NMHDR*>(lp)->hwndFrom : nullptr;
        default:
            return nullptr;
    }
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
