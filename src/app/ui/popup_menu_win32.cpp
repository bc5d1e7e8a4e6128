#include "app/ui/popup_menu_win32.h"

#include "base/wide_text_win32.h"

namespace mulan::app::ui {

ScopedMenu BuildPopup(const MenuModel& menu) {
    ScopedMenu popup(CreatePopupMenu());
    if (!popup) return popup;
    const auto& all = menu.items();
    for (size_t i = 0; i < all.size(); ++i) {
        const MenuItem& item = all[i];
        if (!item.visible) continue;
        if (item.caption == u"-") {
            AppendMenuW(popup.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(popup.get(), MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), i + 1,
                    win::Wide(item.caption).c_str());
    }
    return popup;
}

Command TrackPopup(const MenuModel& menu, HWND owner, POINT at) {
    const ScopedMenu popup = BuildPopup(menu);
    if (!popup) return Command::None;
    const auto chosen = static_cast<UINT>(TrackPopupMenu(
        popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    // Lets the menu of a tray icon close when the user clicks elsewhere next time.
    PostMessageW(owner, WM_NULL, 0, 0);
    if (chosen == 0 || chosen > menu.items().size()) return Command::None;
    return menu.items()[chosen - 1].command;
}

POINT PointerPosition() {
    POINT at{};
    GetCursorPos(&at);
    return at;
}

}  // namespace mulan::app::ui
