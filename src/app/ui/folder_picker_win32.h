#pragma once

#include <windows.h>

#include <optional>

#include "base/text.h"

namespace mulan::app::ui {

// The system's folder picker over owner: the full path of the folder the user chose, or nothing
// when the user cancelled. The picker of the current shell (IFileOpenDialog) where the system has
// one that works, the older folder browser otherwise.
std::optional<Text> PickFolder(HWND owner, TextView title);

}  // namespace mulan::app::ui
