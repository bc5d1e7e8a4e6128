#pragma once

#include <windows.h>

#include <string>

#include "base/text.h"

namespace mulan::win {

// The program's text and the system's wide strings are the same UTF-16 code units; these are the
// shell's only two crossings between them.

// A terminated copy for a call into the system.
std::wstring Wide(TextView text);
// A window's whole text, however long.
Text WindowText(HWND window);

}  // namespace mulan::win
