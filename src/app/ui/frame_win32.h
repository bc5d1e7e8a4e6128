#pragma once

#include <windows.h>

#include <functional>

#include "window/window_base_win32.h"

namespace mulan::app::ui {

// A frame that holds other controls: an etched border on the dialog colour. (A group box cannot
// hold children: it leaves their background unpainted.)
class FrameControl final : public window::WindowBase {
  public:
    ~FrameControl() override { Destroy(); }
    bool Create(HWND parent, const RECT& area, int controlId);
    // The pointer moved over the frame (not over a control inside it).
    std::function<void()> onMouseMove;

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace mulan::app::ui
