#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "base/scoped_gdi_win32.h"
#include "controls/scrollbar/c_scrollbar_draw_win32.h"
#include "controls/scrollbar/scrollbar_events.h"
#include "controls/scrollbar/scrollbar_model.h"
#include "window/window_base_win32.h"
#include "window/window_hook.h"

namespace mulan::scrollbar {

// The skinned scrollbar as a child window. It receives its paint, size, mouse and timer messages
// through its own window hook, holds the mouse while a button is down in it, and tells its
// container about value changes, drags and visibility through ScrollbarEvents.
class ucScrollbar final : public window::WindowBase, public window::SubclassClient, private ScrollbarHost {
  public:
    ucScrollbar();
    ~ucScrollbar() override;

    // Creates the window at (x, y, width, height) in the parent's client area and loads the stored
    // properties. Hidden until Visible is set, unless visible.
    bool Create(HWND parent, int x, int y, int width, int height, const ScrollbarProperties& stored = {},
                bool visible = true);
    void SetEvents(ScrollbarEvents* events) { events_ = events; }

    bool Enabled() const;
    void SetEnabled(bool enabled);
    std::int32_t Max() const { return model_.Max(); }
    void SetMax(std::int32_t max) { model_.SetMax(max); }
    std::int32_t Min() const { return model_.Min(); }
    void SetMin(std::int32_t min) { model_.SetMin(min); }
    std::int32_t Value() const { return model_.Value(); }
    void SetValue(std::int32_t value) { model_.SetValue(value); }
    std::int32_t SmallChange() const { return model_.SmallChange(); }
    void SetSmallChange(std::int32_t amount) { model_.SetSmallChange(amount); }
    std::int32_t LargeChange() const { return model_.LargeChange(); }
    void SetLargeChange(std::int32_t amount) { model_.SetLargeChange(amount); }
    std::int32_t ChangeDelay() const { return model_.ChangeDelay(); }
    void SetChangeDelay(std::int32_t ms) { model_.SetChangeDelay(ms); }
    std::int32_t ChangeFrequency() const { return model_.ChangeFrequency(); }
    void SetChangeFrequency(std::int32_t ms) { model_.SetChangeFrequency(ms); }
    std::int32_t Orientation() const { return model_.Orientation(); }
    void SetOrientation(std::int32_t orientation) { model_.SetOrientation(orientation); }
    bool ShowButtons() const { return model_.ShowButtons(); }
    void SetShowButtons(bool show) { model_.SetShowButtons(show); }
    HWND hWnd() const { return hwnd(); }
    // Repaints the whole control without erasing it.
    void Refresh();
    ScrollbarProperties Properties() const;

    // What the container sets: visibility (raising Show and Hide) and place, in parent pixels.
    bool Visible() const;
    void SetVisible(bool visible);
    std::int32_t Width() const;
    std::int32_t Height() const;
    void Move(int left, int top, int width, int height);
    // The control keeps its 96-DPI geometry (buttons, thumb minimum, skin) and shows it stretched
    // to its pixels at dpi; the pointer is taken back to the design's coordinates.
    void SetDpi(int dpi);

    const ScrollbarModel& Model() const { return model_; }

    void zSubclass_Proc(bool bBefore, bool& bHandled, window::HookResult& lReturn,
                        window::HookWindowHandle& lng_hWnd, window::HookMessage& uMsg,
                        window::HookWParam& wParam, window::HookLParam& lParam) override;

    // Paints the control into any device context, as WM_PAINT does.
    void PaintTo(HDC dc);

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Invalidate() override;
    void StartTimer(std::int32_t id, std::int32_t intervalMs) override;
    void StopTimer(std::int32_t id) override;
    Point PointerInClient() override;
    bool PointerOverControl() override;
    void RaiseChange() override;
    void RaiseScroll() override;

    void HookOwnWindow();
    void ResizeModel();
    Point ToDesign(Point pixel) const;
    void Press(WPARAM keys, LPARAM position);
    void Release();

    ScrollbarModel model_;
    ScrollbarEvents* events_ = nullptr;
    int dpi_ = 96;
    win::ScopedBitmap patternBitmap_;
    win::ScopedBrush patternBrush_;
    std::unique_ptr<cScrollbarDraw> painter_;
    std::unique_ptr<window::WindowHook> hook_;
};

}  // namespace mulan::scrollbar
