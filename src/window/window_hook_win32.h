#pragma once

#include <windows.h>

#include "window/window_hook.h"

namespace mulan::window {

// Installs hooks with the common controls' subclassing (SetWindowSubclass): every hook is its own
// link in the window's chain, so hooks stacked on one window by anyone come off in any order.
// A window of the program's own classes keeps its hooks in its own procedure instead (see
// WindowBase::AddHook), in the same order. A hook is taken off by itself when its window is
// destroyed. Stateless: one instance serves all.
class SubclassInstaller final : public HookInstaller {
  public:
    bool Install(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) override;
    void Uninstall(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) override;
};

HookInstaller& Win32HookInstaller();

inline HookWindowHandle ToHookHandle(HWND window) {
    return reinterpret_cast<HookWindowHandle>(window);
}
inline HWND ToHwnd(HookWindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

}  // namespace mulan::window
