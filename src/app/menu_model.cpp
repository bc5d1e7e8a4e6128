#include "app/menu_model.h"

#include <utility>

namespace mulan::app {

MenuModel::MenuModel(Text name, Text caption, std::vector<MenuItem> items)
    : name_(std::move(name)), caption_(std::move(caption)), items_(std::move(items)) {}

const MenuItem* MenuModel::Find(TextView name) const {
    for (const MenuItem& item : items_) {
        if (item.name == name) return &item;
    }
    return nullptr;
}

MenuItem* MenuModel::Item(TextView name) {
    return const_cast<MenuItem*>(Find(name));
}

void MenuModel::SetVisible(TextView name, bool visible) {
    if (MenuItem* item = Item(name)) item->visible = visible;
}

void MenuModel::SetChecked(TextView name, bool checked) {
    if (MenuItem* item = Item(name)) item->checked = checked;
}

void MenuModel::SetCaption(TextView name, TextView caption) {
    if (MenuItem* item = Item(name)) item->caption = Text(caption);
}

std::vector<MenuItem> MenuModel::VisibleItems() const {
    std::vector<MenuItem> shown;
    for (const MenuItem& item : items_) {
        if (item.visible) shown.push_back(item);
    }
    return shown;
}

MenuModel MakeMenu() {
    return MenuModel(u"Menu", u"菜单",
                     {{u"Pla", u"播放"},
                      {u"lines", u"-"},
                      {u"Dolown", u"下载本首歌曲"},
                      {u"s", u"-"},
                      {u"se360", u"获取外链地址"},
                      {u"ddwdw", u"-"},
                      {u"DEL", u"删除选中"},
                      {u"LIX", u"-"},
                      {u"Cles", u"清空列表"}});
}

MenuModel MakeMosMenu() {
    return MenuModel(u"Mos", u"播放模式",
                     {{u"Ones", u"单曲循环"}, {u"Lists", u"列表循环"}, {u"suiji", u"随机播放"}});
}

MenuModel MakeEndMenu() {
    return MenuModel(u"EndMenu", u"退出",
                     {{u"zant", u"停止播放"},
                      {u"dawddwafre", u"-"},
                      {u"shows", u"显示"},
                      {u"dw", u"-"},
                      {u"UP", u"上一首"},
                      {u"ls", u"-"},
                      {u"Next", u"下一首"},
                      {u"dwdw", u"-"},
                      {u"ends", u"退出"}});
}

}  // namespace mulan::app
