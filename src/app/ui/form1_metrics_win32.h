#pragma once

#include <windows.h>

#include "app/form1_layout.h"

namespace mulan::app::ui {

// What the main window's parts (creation, layout, keys, menus) share about its window and controls.
inline constexpr DWORD kForm1Style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
inline constexpr int kFirstControlId = 100;
// The widest a tip line gets before it wraps, in 96-DPI pixels.
inline constexpr int kTipWidth = 600;

inline int ControlId(Form1Control control) {
    return kFirstControlId + static_cast<int>(control);
}

}  // namespace mulan::app::ui
