#pragma once

#include <windows.h>

namespace mulan::window {

// Base of every top-level and child window of the program. The object is attached to its window
// at WM_NCCREATE and every message goes to HandleMessage; nothing thrown inside escapes the
// window procedure.
class WindowBase {
  public:
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    HWND hwnd() const { return hwnd_; }

  protected:
    // Registers the class once per process; the class name is the key.
    static bool RegisterClassOnce(const wchar_t* className, HICON icon, HBRUSH background, UINT style = 0);
    bool CreateWindowFor(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, int x,
                         int y, int width, int height, HWND parent, HMENU menu = nullptr);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_, msg, wp, lp); }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND hwnd_ = nullptr;
};

}  // namespace mulan::window
