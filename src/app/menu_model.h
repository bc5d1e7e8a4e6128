#pragma once

#include <vector>

#include "base/text.h"

namespace mulan::app {

// One item of a popup menu; a caption of "-" is a separator. Hidden items are left out when the
// menu is shown.
struct MenuItem {
    Text name;
    Text caption;
    bool checked = false;
    bool visible = true;
};

// A top-level menu that is only ever opened as a popup.
class MenuModel {
  public:
    MenuModel(Text name, Text caption, std::vector<MenuItem> items);

    const Text& name() const { return name_; }
    const Text& caption() const { return caption_; }
    const std::vector<MenuItem>& items() const { return items_; }

    // Null when no item has that name.
    const MenuItem* Find(TextView name) const;
    void SetVisible(TextView name, bool visible);
    void SetChecked(TextView name, bool checked);
    void SetCaption(TextView name, TextView caption);

    // The items shown when the menu opens, in order.
    std::vector<MenuItem> VisibleItems() const;

  private:
    MenuItem* Item(TextView name);

    Text name_;
    Text caption_;
    std::vector<MenuItem> items_;
};

// The main window's three menus as they are designed.
MenuModel MakeMenu();
MenuModel MakeMosMenu();
MenuModel MakeEndMenu();

}  // namespace mulan::app
