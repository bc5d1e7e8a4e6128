#include "window/window_base_win32.h"

#include "window/control_win32.h"
#include "window/window_hook_win32.h"

namespace mulan::window {

WindowBase::~WindowBase() {
    // A window still here means its class forgot Destroy: it would get its last messages without
    // the object behind it, so it is let go of first.
    if (MULAN_REPORT_IF(hwnd_ != nullptr)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    // Controls left over (their window went without this object) must not point back here.
    while (!controls_.empty()) controls_.back()->Detach();
}

void WindowBase::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
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

WindowBase* WindowBase::FromHandle(HWND window) {
    // Only windows of classes registered here carry a WindowBase in their user data.
    if (!window ||
        GetClassLongPtrW(window, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(&WindowBase::WindowProc))
        return nullptr;
    return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void WindowBase::AddHook(std::shared_ptr<HookEntry> hook) {
    hooks_.push_back(std::move(hook));
}

void WindowBase::RemoveHook(const HookEntry* hook) {
    std::erase_if(hooks_, [hook](const std::shared_ptr<HookEntry>& entry) { return entry.get() == hook; });
}

LRESULT WindowBase::ThroughHooks(const std::vector<std::shared_ptr<HookEntry>>& hooks, std::size_t below,
                                 UINT msg, WPARAM wp, LPARAM lp) {
    if (below == 0) return Route(msg, wp, lp);
    return hooks[below - 1]->Dispatch(
        ToHookHandle(hwnd_), msg, wp, lp,
        [&](HookWindowHandle, HookMessage m, HookWParam p, HookLParam l) -> HookResult {
            return ThroughHooks(hooks, below - 1, m, p, l);
        });
}

LRESULT WindowBase::Route(UINT msg, WPARAM wp, LPARAM lp) {
    if (const HWND sender = Control::NotificationSender(msg, wp, lp)) {
        for (Control* control : controls_) {
            if (control->hwnd() != sender) continue;
            if (const auto result = control->Notified(msg, wp, lp)) return *result;
            break;
        }
    }
    return HandleMessage(msg, wp, lp);
}

LRESULT CALLBACK WindowBase::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    const LRESULT result = Guarded(
        [&] {
            if (self->hooks_.empty()) return self->Route(msg, wp, lp);
            // A hook taken off (or added) by a callback changes only the messages after this one,
            // and is kept alive until this one has gone through it.
            const std::vector<std::shared_ptr<HookEntry>> hooks = self->hooks_;
            return self->ThroughHooks(hooks, hooks.size(), msg, wp, lp);
        },
        [&] { return DefWindowProcW(hwnd, msg, wp, lp); });
    if (msg == WM_NCDESTROY) {
        // The window's hooks went with it, as subclasses do.
        self->hooks_.clear();
        // The children went before: the controls that did not hear it themselves let go now.
        while (!self->controls_.empty()) self->controls_.back()->Detach();
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace mulan::window
