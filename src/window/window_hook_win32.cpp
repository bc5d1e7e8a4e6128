#include "window/window_hook_win32.h"

#include <commctrl.h>

#include "window/window_base_win32.h"

namespace mulan::window {
namespace {

LRESULT CALLBACK HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) noexcept {
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &HookProc, id);
    // Held for the whole dispatch: an unhook from inside a callback cannot free the hook under us.
    const std::shared_ptr<HookEntry> hook = reinterpret_cast<HookEntry*>(ref)->weak_from_this().lock();
    if (!hook) return DefSubclassProc(hwnd, msg, wp, lp);
    return hook->Dispatch(ToHookHandle(hwnd), msg, wp, lp,
                          [](HookWindowHandle w, HookMessage m, HookWParam p, HookLParam l) -> HookResult {
                              return DefSubclassProc(ToHwnd(w), m, p, l);
                          });
}

}  // namespace

bool SubclassInstaller::Install(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) {
    if (!IsWindow(ToHwnd(window))) return false;
    if (WindowBase* own = WindowBase::FromHandle(ToHwnd(window))) {
        own->AddHook(hook);
        return true;
    }
    return SetWindowSubclass(ToHwnd(window), &HookProc, reinterpret_cast<UINT_PTR>(hook.get()),
                             reinterpret_cast<DWORD_PTR>(hook.get())) != FALSE;
}

void SubclassInstaller::Uninstall(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) {
    if (WindowBase* own = WindowBase::FromHandle(ToHwnd(window))) {
        own->RemoveHook(hook.get());
        return;
    }
    RemoveWindowSubclass(ToHwnd(window), &HookProc, reinterpret_cast<UINT_PTR>(hook.get()));
}

HookInstaller& Win32HookInstaller() {
    static SubclassInstaller installer;
    return installer;
}

}  // namespace mulan::window
