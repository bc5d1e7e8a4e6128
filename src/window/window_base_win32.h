#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "base/report.h"
#include "window/window_hook.h"

namespace mulan::window {

class Control;

// Runs one message's handler at a boundary nothing may cross: what it throws is reported, and the
// message gets the fallback's answer instead.
template <class Handle, class Fallback>
LRESULT Guarded(Handle&& handle, Fallback&& fallback) noexcept {
    try {
        return handle();
    } catch (...) {
        MULAN_REPORT_EXCEPTION();
    }
    return fallback();
}

// Base of every window of the program's own classes. The object is attached to its window at
// WM_NCCREATE and owns it; every message goes through one procedure: a notification from one of
// its typed controls to that control first, everything else to HandleMessage. The most derived
// class destroys the window in its destructor (Destroy), so that WM_DESTROY and WM_NCDESTROY reach
// it, in that order, while the whole object still exists.
class WindowBase {
  public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    HWND hwnd() const { return hwnd_; }

    // The object of a window of the program's own classes; null for any other window.
    static WindowBase* FromHandle(HWND window);

    // Hooks on this window run in its own procedure, the last one added first, before the class's
    // handler. The common controls' subclassing would do the same, but it looks its chain up in a
    // window property for every message, which costs a round trip to the server under Wine: for
    // the main window that is every display tick.
    void AddHook(std::shared_ptr<HookEntry> hook);
    void RemoveHook(const HookEntry* hook);

  protected:
    // Registers the class once per process; the class name is the key.
    static bool RegisterClassOnce(const wchar_t* className, HICON icon, HBRUSH background, UINT style = 0);
    bool CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                         int y, int width, int height, HWND parent, HMENU menu = nullptr);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }
    // Destroys the window now; its handle is gone once WM_NCDESTROY has been handled.
    void Destroy();

  private:
    friend class Control;
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    // The message through the hooks below index below (all of them: hooks.size()), then Route.
    LRESULT ThroughHooks(const std::vector<std::shared_ptr<HookEntry>>& hooks, std::size_t below, UINT msg,
                         WPARAM wp, LPARAM lp);
    LRESULT Route(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    // The typed controls whose parent this window is, for their notifications. Asking the sender's
    // window instead (a window property) costs a round trip to the server under Wine for every
    // notification, and a list of thousands of rows sends several for each row.
    std::vector<Control*> controls_;
    // In the order they were added.
    std::vector<std::shared_ptr<HookEntry>> hooks_;
};

}  // namespace mulan::window
