#pragma once

#include <windows.h>

#include "window/window_base_win32.h"

namespace mulan::app::ui {

// Shows window over owner as a dialog box is shown and returns when it is gone: the owner takes no
// input meanwhile, but its timers and messages keep being dispatched; Tab, Enter, Esc and the Alt+letter
// keys work as in a dialog box. The owner is active again afterwards.
void RunModal(window::WindowBase& window, HWND owner);

}  // namespace mulan::app::ui
