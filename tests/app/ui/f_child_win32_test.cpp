#include "app/ui/f_child_win32.h"
#include "app/ui/popup_menu_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/recording_results_host.h"
#include "support/message_loop_win32.h"

namespace mulan::app::ui {
namespace {

std::wstring ItemText(HWND list, int item, int sub) {
    wchar_t buffer[256] = {};
    ListView_GetItemText(list, item, sub, buffer, 256);
    return buffer;
}

std::vector<std::wstring> Column(HWND list, int sub) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) texts.push_back(ItemText(list, i, sub));
    return texts;
}

void Pump() {
    ::mulan::testing::DispatchPending();
}

class FChildTest : public ::testing::Test {
  protected:
    FChild window;
    RecordingResultsHost host;
    HWND list = nullptr;

    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(window.Create(nullptr));
        window.SetHost(&host);
        ShowWindow(window.hwnd(), SW_SHOWNOACTIVATE);
        list = window.ListView1();
        ASSERT_NE(list, nullptr);
    }

    void AddThree() {
        window.AddRow({u"1003", u"b"});
        window.AddRow({u"1001", u"a"});
        window.AddRow({u"999", u"C"});
    }

    void Select(int row) {
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }

    // The notification the header sends through the list when a column header is clicked.
    void ClickHeader(int column) {
        NMLISTVIEW click{};
        click.hdr = {list, 1, static_cast<UINT>(LVN_COLUMNCLICK)};
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageW(window.hwnd(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&click));
    }

    void DoubleClickRow(int row) {
        RECT bounds{};
        ListView_GetItemRect(list, row, &bounds, LVIR_LABEL);
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON,
                     MAKELPARAM(bounds.left + 4, (bounds.top + bounds.bottom) / 2));
    }
};

TEST_F(FChildTest, LoadsTheListWithItsSettingsAndColumns) {
    EXPECT_EQ(window.Caption(), u"音乐搜索");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE));
    EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_TRUE(style & LVS_SINGLESEL);
    EXPECT_FALSE(style & LVS_EDITLABELS);
    const DWORD extended = ListView_GetExtendedListViewStyle(list);
    EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
    EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 147);
    wchar_t header[64] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = header;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list, 0, &column));
    EXPECT_STREQ(header, L"歌曲ID：");
    ASSERT_TRUE(ListView_GetColumn(list, 1, &column));
    EXPECT_STREQ(header, L"歌曲名称：");
    // The list fills the client area, also after a resize.
    SetWindowPos(window.hwnd(), nullptr, 0, 0, 400, 350, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{}, bounds{};
    GetClientRect(window.hwnd(), &client);
    GetClientRect(list, &bounds);
    MapWindowPoints(list, window.hwnd(), reinterpret_cast<POINT*>(&bounds), 2);
    EXPECT_LE(bounds.left, 2);
    EXPECT_GE(bounds.right, client.right - 2);
    EXPECT_GE(bounds.bottom, client.bottom - 2);
    // Moving keeps the size.
    window.Move(10, 20);
    RECT frame{};
    GetWindowRect(window.hwnd(), &frame);
    EXPECT_EQ(frame.left, 10);
    EXPECT_EQ(frame.top, 20);
    EXPECT_EQ(frame.right - frame.left, 400);
}

TEST_F(FChildTest, RowsChecksAndSelectionFollowTheUser) {
    AddThree();
    EXPECT_EQ(window.RowCount(), 3);
    EXPECT_EQ(Column(list, 0), (std::vector<std::wstring>{L"1003", L"1001", L"999"}));
    EXPECT_EQ(Column(list, 1), (std::vector<std::wstring>{L"b", L"a", L"C"}));
    ListView_SetCheckState(list, 1, TRUE);
    EXPECT_TRUE(window.Rows().Row(1).checked);
    EXPECT_FALSE(window.Rows().Row(0).checked);
    ListView_SetCheckState(list, 1, FALSE);
    EXPECT_FALSE(window.Rows().Row(1).checked);
    Select(2);
    EXPECT_EQ(window.Rows().Selected(), 2);
    Select(0);
    EXPECT_EQ(window.Rows().Selected(), 0);
    ListView_SetItemState(list, 0, 0, LVIS_SELECTED);
    EXPECT_FALSE(window.Rows().Selected());

    window.SetCaption(u"搜索完成");
    EXPECT_EQ(window.Caption(), u"搜索完成");
    window.Clear();
    EXPECT_EQ(window.RowCount(), 0);
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

TEST_F(FChildTest, DoubleClickPlaysTheSelectedRow) {
    AddThree();
    Select(1);
    DoubleClickRow(1);
    EXPECT_EQ(host.calls, (std::vector<Text>{u"play double-click 1001 a | 音乐搜索"}));
    // Without a row nothing happens.
    host.calls.clear();
    window.Clear();
    DoubleClickRow(0);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(FChildTest, EnterPlaysTheSelectedRowAndSpaceTogglesItsCheckBox) {
    AddThree();
    Select(1);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 1);
    SendMessageW(list, WM_KEYUP, VK_SPACE, 1);
    EXPECT_TRUE(window.Rows().Row(1).checked);
    EXPECT_TRUE(host.calls.empty());
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(host.calls, (std::vector<Text>{u"play double-click 1001 a | 音乐搜索"}));
}

TEST_F(FChildTest, MenuCommandsShowTheirChecks) {
    AddThree();
    window.RunCommand(Command::AllSel);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(ListView_GetCheckState(list, i));
    ListView_SetCheckState(list, 0, FALSE);
    window.RunCommand(Command::FSelc);
    EXPECT_TRUE(ListView_GetCheckState(list, 0));
    EXPECT_FALSE(ListView_GetCheckState(list, 1));
    // Row 0 checked and selected: added twice, and unchecked in the list.
    Select(0);
    window.RunCommand(Command::AddItim);
    EXPECT_EQ(host.calls, (std::vector<Text>{u"add 1003 b", u"add 1003 b"}));
    EXPECT_FALSE(ListView_GetCheckState(list, 0));
    host.calls.clear();
    Select(2);
    window.RunCommand(Command::PlayS);
    EXPECT_EQ(host.calls, (std::vector<Text>{u"play menu 999 C | 音乐搜索"}));
}

TEST_F(FChildTest, HeaderClicksSortWithOneOrderAndTheLocaleOrder) {
    AddThree();
    Select(0);                              // 1003
    ListView_SetCheckState(list, 2, TRUE);  // 999
    ClickHeader(1);
    EXPECT_EQ(Column(list, 1), (std::vector<std::wstring>{L"C", L"b", L"a"}));
    ClickHeader(1);
    EXPECT_EQ(Column(list, 1), (std::vector<std::wstring>{L"a", L"b", L"C"}));
    // The check mark and the selection travel with their rows.
    EXPECT_TRUE(ListView_GetCheckState(list, 2));
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 1);
    EXPECT_EQ(window.Rows().Selected(), 1);
    ClickHeader(0);  // descending again, ids as text
    EXPECT_EQ(Column(list, 0), (std::vector<std::wstring>{L"999", L"1003", L"1001"}));
    // Rows of a later search take their place in that order.
    window.Clear();
    window.AddRow({u"1002", u"x"});
    window.AddRow({u"1005", u"y"});
    window.AddRow({u"1003", u"z"});
    EXPECT_EQ(Column(list, 0), (std::vector<std::wstring>{L"1005", L"1003", L"1002"}));
    EXPECT_EQ(Column(list, 1), (std::vector<std::wstring>{L"y", L"z", L"x"}));
}

TEST_F(FChildTest, FinishSizesColumnsAndRevealsTheLastRow) {
    window.FinishResultsList();
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), -1);
    EXPECT_FALSE(window.Rows().Selected());
    for (int i = 0; i < 40; ++i)
        window.AddRow({u"1" + Utf8ToText(std::to_string(i)), u"一个很长很长很长很长的歌曲名称"});
    const int before = ListView_GetColumnWidth(list, 1);
    window.FinishResultsList();
    EXPECT_GT(ListView_GetColumnWidth(list, 1), before);
    EXPECT_EQ(window.Rows().Selected(), 39);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 39);
    const int top = ListView_GetTopIndex(list);
    EXPECT_LE(top, 39);
    EXPECT_GE(top + ListView_GetCountPerPage(list), 39);
    EXPECT_GT(top, 0);
}

// The widths kept as rows arrive are the ones the list's own sizing would measure over every row.
TEST_F(FChildTest, ColumnsSizedFromWidthsKeptAsRowsArriveMatchTheListsOwnSizing) {
    const std::vector<std::pair<Text, Text>> rows{
        {u"7", u"短"},
        {u"12345678901234567890", u"一个很长很长很长很长的歌曲名称 (Live)"},
        {u"42", u"Wide WWWWWWWW"}};
    for (const auto& [id, name] : rows) window.AddRow({id, name});
    window.FinishResultsList();
    const int kept[2] = {ListView_GetColumnWidth(list, 0), ListView_GetColumnWidth(list, 1)};
    for (int column = 0; column < 2; ++column) {
        ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);  // wider than the headers here
        EXPECT_EQ(kept[column], ListView_GetColumnWidth(list, column)) << column;
    }
    // After a later, narrower search the columns narrow again.
    window.Clear();
    window.AddRow({u"1", u"a"});
    window.FinishResultsList();
    EXPECT_LT(ListView_GetColumnWidth(list, 1), kept[1]);
}

VOID CALLBACK NoteMenuAndClose(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    const HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu && IsWindowVisible(menu)) SetPropW(window, L"menu-seen", reinterpret_cast<HANDLE>(1));
    EndMenu();
}

TEST_F(FChildTest, PopupOnlyOnANonEmptyListWithTheRightButton) {
    const ScopedMenu popup = BuildPopup(window.Menus());
    const HMENU menus = popup.get();
    ASSERT_EQ(GetMenuItemCount(menus), 6);
    const std::vector<std::wstring> captions{L"播放", L"", L"添加到列表", L"", L"全选", L"反选"};
    for (int i = 0; i < 6; ++i) {
        wchar_t text[32] = {};
        GetMenuStringW(menus, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
        EXPECT_EQ(text, captions[static_cast<size_t>(i)]);
    }
    POINT at{100, 100};
    EXPECT_FALSE(window.MouseUp(2, at));
    AddThree();
    EXPECT_FALSE(window.MouseUp(1, at));
    SetTimer(window.hwnd(), 7, 200, NoteMenuAndClose);
    EXPECT_TRUE(window.MouseUp(2, at));
    EXPECT_EQ(RemovePropW(window.hwnd(), L"menu-seen"), reinterpret_cast<HANDLE>(1));
    Pump();
}

TEST(FChildLoadTest, LoadAndUnloadHooksGetTheWindow) {
    std::vector<HWND> loaded, unloaded;
    HWND created = nullptr;
    {
        FChild window;
        window.SetLoadHooks([&](HWND w) { loaded.push_back(w); }, [&](HWND w) { unloaded.push_back(w); });
        ASSERT_TRUE(window.Create(nullptr));
        created = window.hwnd();
        EXPECT_EQ(loaded, std::vector<HWND>{created});
        EXPECT_TRUE(unloaded.empty());
    }
    EXPECT_EQ(unloaded, std::vector<HWND>{created});
}

}  // namespace
}  // namespace mulan::app::ui
