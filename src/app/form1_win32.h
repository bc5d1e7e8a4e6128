#pragma once

#include "window/window_base_win32.h"

namespace mulan::app {

// The player's main window.
class Form1 final : public win::WindowBase {
  public:
    bool Create(int showCommand);

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace mulan::app
