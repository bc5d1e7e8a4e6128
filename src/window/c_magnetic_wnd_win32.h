#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "window/magnetic_layout.h"
#include "window/window_hook.h"

namespace mulan::window {

// Makes top-level windows magnetic: while one of them is moved or sized, its dragged edges snap to
// the work area and to the other registered windows, and the windows glued to it move along in
// one deferred batch. It sees the move and size loop through its own hook on every registered
// window; a window registered with a parent is glued to it while the two touch.
//
// The main window registers first, with no parent, before any other hook goes on it; the results
// window registers with the main window as its parent. Every window still registered is unhooked
// when the manager goes away.
class cMagneticWnd final : public SubclassClient, private DockingPlatform {
  public:
    cMagneticWnd();
    cMagneticWnd(const cMagneticWnd&) = delete;
    cMagneticWnd& operator=(const cMagneticWnd&) = delete;
    ~cMagneticWnd();

    int32_t SnapWidth() const { return layout_.SnapWidth(); }
    void SetSnapWidth(int32_t New_SnapWidth) { layout_.SetSnapWidth(New_SnapWidth); }

    // False for a window already registered, a dead window or a dead parent (nullptr: no parent).
    bool AddWindow(HWND hWnd, HWND hWndParent);
    // False for a window that is not registered. Its children are left without a parent.
    bool RemoveWindow(HWND hWnd);
    void CheckGlueing() { layout_.CheckGlueing(); }

    bool IsGlued(HWND hWnd) const { return layout_.IsGlued(ToId(hWnd)); }
    HWND ParentOf(HWND hWnd) const { return reinterpret_cast<HWND>(layout_.ParentOf(ToId(hWnd))); }
    int32_t WindowCount() const { return layout_.WindowCount(); }
    HWND WindowAt(int32_t position) const { return reinterpret_cast<HWND>(layout_.WindowAt(position)); }
    const WindowHook& Hook() const { return hook_; }

    void zSubclass_Proc(bool bBefore, bool& bHandled, HookResult& lReturn, HookWindowHandle& lng_hWnd,
                        HookMessage& uMsg, HookWParam& wParam, HookLParam& lParam) override;

  private:
    static WindowId ToId(HWND hWnd) { return reinterpret_cast<WindowId>(hWnd); }

    bool IsWindow(WindowId window) override;
    Rect WindowRect(WindowId window) override;
    bool IsZoomed(WindowId window) override;
    Rect WorkArea() override;
    Point CursorPos() override;

    void Dispatch(bool bBefore, bool& bHandled, HookResult& lReturn, HWND hWnd, UINT uMsg, WPARAM wParam,
                  LPARAM lParam);
    void Sizing(HWND hWnd, WPARAM edge, RECT& rect) const;
    void Moving(HWND hWnd, RECT& rect);
    void MoveGluedWindows() const;

    MagneticLayout layout_{*this};
    WindowHook hook_;
    std::vector<GluedMove> glued_;
};

}  // namespace mulan::window
