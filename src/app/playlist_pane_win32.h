#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "window/window_base_win32.h"

namespace mulan::app {

// What the main window needs of its playlist control. The owner-drawn playlist replaces the
// placeholder behind this.
class PlaylistPane {
  public:
    virtual ~PlaylistPane() = default;
    virtual HWND hwnd() const = 0;
    virtual int32_t ListCount() const = 0;
    // -1 below the last entry.
    virtual int16_t IndexFromPoint(double X, double Y) const = 0;
};

// An empty list area at the playlist's place until the playlist control exists.
class PlaylistPlaceholder final : public win::WindowBase, public PlaylistPane {
  public:
    // Button values as the playlist reports them: 1 left, 2 right.
    using MouseUpHandler = std::function<void(int16_t button, double x, double y)>;

    bool Create(HWND parent, const RECT& area, int controlId, MouseUpHandler onMouseUp);

    HWND hwnd() const override { return WindowBase::hwnd(); }
    int32_t ListCount() const override { return 0; }
    int16_t IndexFromPoint(double, double) const override { return -1; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    MouseUpHandler onMouseUp_;
};

}  // namespace mulan::app
