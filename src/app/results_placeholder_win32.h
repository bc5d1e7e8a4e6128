#pragma once

#include <windows.h>

#include "window/window_base_win32.h"

namespace mulan::app {

// The search results window's frame until the results window itself exists: a top-level window
// with its design caption that the main window shows, minimises and hides.
class ResultsPlaceholder final : public win::WindowBase {
  public:
    bool Create(HICON icon);

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace mulan::app
