#pragma once

#include <windows.h>

namespace mulan::win {

// Not in the headers for Windows 7, which the program still runs on.
inline constexpr UINT kWmDpiChanged = 0x02E0;

// The DPI a window is laid out at: its monitor's where the system tells per window (Windows 10
// 1607 on), otherwise the screen's.
int WindowDpi(HWND window);
// The screen's DPI, for what is made before its window exists.
int SystemDpi();
// The outer size of a window with the given client size and style at dpi.
SIZE FrameSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);
// The message font of the system at dpi.
HFONT CreateMessageFont(int dpi);
// A square icon resource at a system metric (SM_CXICON, SM_CXSMICON) for dpi; shared, not destroyed.
HICON LoadIconAt(HINSTANCE instance, int resourceId, int metric, int dpi);

}  // namespace mulan::win
