#pragma once

#include <array>
#include <cstdint>

#include "base/text.h"

namespace mulan::app {

// What a menu item, a key or the tray asks the main window to do; named after the menu items that
// run them.
enum class Command : uint8_t {
    None,  // a separator
    Pla,
    Dolown,
    se360,
    DEL,
    Cles,
    Ones,
    Lists,
    suiji,
    zant,
    shows,
    UP,
    Next,
    ends,
    // The player's own item after the tray menu's: where the songs come from.
    MusicSource,
    // The results window's menu.
    PlayS,
    AddItim,
    AllSel,
    FSelc,
};

// The main window's three menus and the results window's one, each only ever opened as a popup.
enum class MenuId : uint8_t { Menu, Mos, EndMenu, Menus };

struct MenuHeading {
    MenuId menu;
    TextView name;
    TextView caption;
};

// One item of a menu as designed; a caption of "-" is a separator and runs no command.
struct MenuEntry {
    MenuId menu;
    TextView name;
    TextView caption;
    Command command;
};

inline constexpr std::array<MenuHeading, 4> kMenuHeadings{{
    {MenuId::Menu, u"Menu", u"菜单"},
    {MenuId::Mos, u"Mos", u"播放模式"},
    {MenuId::EndMenu, u"EndMenu", u"退出"},
    {MenuId::Menus, u"Menus", u"菜单"},
}};

// Every item of every menu, menu by menu, in the order they are shown.
inline constexpr std::array<MenuEntry, 29> kMenuEntries{{
    {MenuId::Menu, u"Pla", u"播放", Command::Pla},
    {MenuId::Menu, u"lines", u"-", Command::None},
    {MenuId::Menu, u"Dolown", u"下载本首歌曲", Command::Dolown},
    {MenuId::Menu, u"s", u"-", Command::None},
    {MenuId::Menu, u"se360", u"获取外链地址", Command::se360},
    {MenuId::Menu, u"ddwdw", u"-", Command::None},
    {MenuId::Menu, u"DEL", u"删除选中", Command::DEL},
    {MenuId::Menu, u"LIX", u"-", Command::None},
    {MenuId::Menu, u"Cles", u"清空列表", Command::Cles},
    {MenuId::Mos, u"Ones", u"单曲循环", Command::Ones},
    {MenuId::Mos, u"Lists", u"列表循环", Command::Lists},
    {MenuId::Mos, u"suiji", u"随机播放", Command::suiji},
    {MenuId::EndMenu, u"zant", u"停止播放", Command::zant},
    {MenuId::EndMenu, u"dawddwafre", u"-", Command::None},
    {MenuId::EndMenu, u"shows", u"显示", Command::shows},
    {MenuId::EndMenu, u"dw", u"-", Command::None},
    {MenuId::EndMenu, u"UP", u"上一首", Command::UP},
    {MenuId::EndMenu, u"ls", u"-", Command::None},
    {MenuId::EndMenu, u"Next", u"下一首", Command::Next},
    {MenuId::EndMenu, u"dwdw", u"-", Command::None},
    {MenuId::EndMenu, u"ends", u"退出", Command::ends},
    {MenuId::EndMenu, u"sourceLine", u"-", Command::None},
    {MenuId::EndMenu, u"MusicSource", u"音乐来源…", Command::MusicSource},
    {MenuId::Menus, u"PlayS", u"播放", Command::PlayS},
    {MenuId::Menus, u"Libe", u"-", Command::None},
    {MenuId::Menus, u"AddItim", u"添加到列表", Command::AddItim},
    {MenuId::Menus, u"dwa", u"-", Command::None},
    {MenuId::Menus, u"AllSel", u"全选", Command::AllSel},
    {MenuId::Menus, u"FSelc", u"反选", Command::FSelc},
}};

}  // namespace mulan::app
