#include "app/menu_model.h"

#include <utility>

namespace mulan::app {

MenuModel::MenuModel(MenuId id, Text caption, std::vector<MenuItem> items)
    : id_(id), caption_(std::move(caption)), items_(std::move(items)) {}

const MenuItem* MenuModel::Find(Command command) const {
    if (command == Command::None) return nullptr;
    for (const MenuItem& item : items_) {
        if (item.command == command) return &item;
    }
    return nullptr;
}

MenuItem* MenuModel::Item(Command command) {
    return const_cast<MenuItem*>(Find(command));
}

void MenuModel::SetVisible(Command command, bool visible) {
    if (MenuItem* item = Item(command)) item->visible = visible;
}

void MenuModel::SetSeparatorAfterVisible(Command command, bool visible) {
    MenuItem* item = Item(command);
    if (!item || item + 1 == items_.data() + items_.size()) return;
    if (item[1].command == Command::None) item[1].visible = visible;
}

void MenuModel::SetChecked(Command command, bool checked) {
    if (MenuItem* item = Item(command)) item->checked = checked;
}

void MenuModel::SetCaption(Command command, TextView caption) {
    if (MenuItem* item = Item(command)) item->caption = Text(caption);
}

std::vector<MenuItem> MenuModel::VisibleItems() const {
    std::vector<MenuItem> shown;
    for (const MenuItem& item : items_) {
        if (item.visible) shown.push_back(item);
    }
    return shown;
}

MenuModel MakeMenuModel(MenuId id) {
    Text caption;
    for (const MenuHeading& heading : kMenuHeadings) {
        if (heading.menu == id) caption = Text(heading.caption);
    }
    std::vector<MenuItem> items;
    for (const MenuEntry& entry : kMenuEntries) {
        if (entry.menu == id) items.push_back({Text(entry.name), Text(entry.caption), entry.command});
    }
    return MenuModel(id, std::move(caption), std::move(items));
}

}  // namespace mulan::app
