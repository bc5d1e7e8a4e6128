#pragma once

#include <windows.h>

#include "app/command.h"
#include "app/menu_model.h"
#include "base/scoped_gdi_win32.h"

namespace mulan::app::ui {

struct DestroyMenuHandle {
    void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using ScopedMenu = win::ScopedHandle<HMENU, DestroyMenuHandle>;

// The menu as it would open now: its visible items, checked as the model has them. An item's
// identifier is its index in the model plus one, so that zero means nothing was chosen.
ScopedMenu BuildPopup(const MenuModel& menu);

// Opens the menu at a point of the screen for owner and waits for the user: the chosen item's
// command, or None when the menu was dismissed.
Command TrackPopup(const MenuModel& menu, HWND owner, POINT at);

// Where the pointer is now, in screen coordinates: a menu opened by the mouse opens there.
POINT PointerPosition();

}  // namespace mulan::app::ui
