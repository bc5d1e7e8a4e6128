#pragma once

#include <vector>

#include "app/command.h"
#include "base/text.h"

namespace mulan::app {

// One item of a popup menu; a caption of "-" is a separator. Hidden items are left out when the
// menu is shown.
struct MenuItem {
    Text name;
    Text caption;
    Command command = Command::None;
    bool checked = false;
    bool visible = true;
};

// A top-level menu that is only ever opened as a popup.
class MenuModel {
  public:
    MenuModel(MenuId id, Text caption, std::vector<MenuItem> items);

    MenuId id() const { return id_; }
    const Text& caption() const { return caption_; }
    const std::vector<MenuItem>& items() const { return items_; }

    // Null when no item of the menu runs the command.
    const MenuItem* Find(Command command) const;
    void SetVisible(Command command, bool visible);
    // The separator right after the command's item, shown and hidden with it.
    void SetSeparatorAfterVisible(Command command, bool visible);
    void SetChecked(Command command, bool checked);
    void SetCaption(Command command, TextView caption);

    // The items shown when the menu opens, in order.
    std::vector<MenuItem> VisibleItems() const;

  private:
    MenuItem* Item(Command command);

    MenuId id_;
    Text caption_;
    std::vector<MenuItem> items_;
};

// A menu of the main window as it is designed.
MenuModel MakeMenuModel(MenuId id);

}  // namespace mulan::app
