#include "app/ui/form1_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include "controls/scrollbar/dib_canvas_win32.h"

#include <string>
#include <vector>

#include "app/form1_layout.h"
#include "app/ui/player_app_win32.h"
#include "app/ui/popup_menu_win32.h"
#include "base/dpi_scale.h"
#include "base/window_dpi_win32.h"
#include "site/message_pump_win32.h"
#include "support/message_loop_win32.h"

namespace mulan::app::ui {
namespace {

using ::mulan::testing::TextOf;

RECT ClientRectOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<std::wstring> PopupItems(HMENU menu) {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64]{};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        items.push_back(text[0] ? text : L"-");
    }
    return items;
}

class RecordingCommands : public PlaybackCommands {
  public:
    std::vector<std::string> calls;
    void Run(Command command) override {
        for (const MenuEntry& entry : kMenuEntries) {
            if (entry.command == command) return calls.push_back(TextToUtf8(entry.name));
        }
        calls.push_back("?");
    }
    void PlayEntryAt(int16_t) override { calls.push_back("PlayEntryAt"); }
    void StartupSearch() override { calls.push_back("StartupSearch"); }
    void SearchFromBox(TextView words) override { calls.push_back("SearchFromBox " + TextToUtf8(words)); }
    void PlaylistHover(int16_t) override {}
    void PlayStateChange(int32_t) override {}
    void StatusChange() override {}
    void TickDisplay(bool full) override { ++(full ? fullTicks : reducedTicks); }
    void BeforeExit() override { calls.push_back("BeforeExit"); }
    int fullTicks = 0;
    int reducedTicks = 0;
};

class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(form.Create(SW_SHOWNOACTIVATE)); }
    Form1 form;
};

TEST_F(Form1Test, OpensWithItsCaptionClientSizeAndEveryControlInPlace) {
    EXPECT_EQ(TextOf(form.hwnd()), L"沐岚音乐播放器");
    RECT client{};
    GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, 314);
    EXPECT_EQ(client.bottom, 490);
    const LONG style = GetWindowLongW(form.hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    for (const ControlPlacement& placement : kForm1Layout) {
        const HWND control = form.ControlWindow(ControlOf(placement));
        ASSERT_NE(control, nullptr) << TextToUtf8(placement.name);
        const PixelRect want = ToPixels(placement);
        const RECT r = ClientRectOf(control);
        EXPECT_EQ(r.left, want.left) << TextToUtf8(placement.name);
        EXPECT_EQ(r.top, want.top) << TextToUtf8(placement.name);
        EXPECT_EQ(r.right - r.left, want.width) << TextToUtf8(placement.name);
        if (ControlOf(placement) != Form1Control::Text1) {
            EXPECT_EQ(r.bottom - r.top, want.height) << TextToUtf8(placement.name);
        }
    }
    EXPECT_EQ(GetParent(form.ControlWindow(Form1Control::Label1)), form.ControlWindow(Form1Control::Frame1));
    // The state holders are outside the client area.
    EXPECT_GE(ClientRectOf(form.ControlWindow(Form1Control::List1)).left, client.right);
}

TEST_F(Form1Test, ControlsStartWithTheirDesignedProperties) {
    const struct {
        Form1Control control;
        const wchar_t* text;
    } texts[] = {{Form1Control::Text1, L"搜索歌曲"},   {Form1Control::Label1, L"暂无歌词显示"},
                 {Form1Control::Command2, L":-"},      {Form1Control::Option1, L"单曲播放"},
                 {Form1Control::Option2, L"列表循环"}, {Form1Control::Option3, L"随机播放"}};
    for (const auto& [control, text] : texts) {
        EXPECT_EQ(TextOf(form.ControlWindow(control)), text) << TextToUtf8(Form1Placement(control).name);
    }
    const HWND slider2 = form.ControlWindow(Form1Control::Slider2);
    EXPECT_EQ(SendMessageW(slider2, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageW(slider2, TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageW(slider2, TBM_GETPOS, 0, 0), 60);
    EXPECT_EQ(SendMessageW(form.ControlWindow(Form1Control::ProgressBar1), PBM_GETRANGE, FALSE, 0), 100);
    int edges[2]{};
    EXPECT_EQ(SendMessageW(form.ControlWindow(Form1Control::StatusBar1), SB_GETPARTS, 2,
                           reinterpret_cast<LPARAM>(edges)),
              2);
    EXPECT_EQ(edges[0], 109);
    EXPECT_EQ(edges[1], 109 + 563);
    wchar_t className[64]{};
    GetClassNameW(form.ControlWindow(Form1Control::Text1), className, 64);
    EXPECT_EQ(std::wstring(className), L"ComboBox");
    EXPECT_TRUE(GetWindowLongW(form.ControlWindow(Form1Control::Text1), GWL_STYLE) & CBS_DROPDOWN);
    LOGFONTW font{};
    GetObjectW(
        reinterpret_cast<HFONT>(SendMessageW(form.ControlWindow(Form1Control::Label1), WM_GETFONT, 0, 0)),
        sizeof font, &font);
    EXPECT_EQ(std::wstring(font.lfFaceName), L"宋体");
    EXPECT_EQ(font.lfHeight, -14);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
}

TEST_F(Form1Test, StartUpSetsTheStateMenusTrayAndShowsBothWindowsWithoutASkin) {
    EXPECT_EQ(form.state().TrayNoticeState, 1);
    EXPECT_EQ(form.state().CurrentIndex, 0);
    EXPECT_EQ(form.state().Mode, PlayMode::ListLoop);
    EXPECT_EQ(form.searchState().SearchTarget, 1);
    EXPECT_EQ(form.searchState().SearchPage, 1);
    EXPECT_EQ(SendMessageW(form.ControlWindow(Form1Control::Option2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(form.ControlWindow(Form1Control::Option1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(form.menu(MenuId::Mos).Find(Command::Lists)->checked);
    EXPECT_FALSE(form.menu(MenuId::Mos).Find(Command::Ones)->checked);
    EXPECT_FALSE(form.menu(MenuId::EndMenu).Find(Command::shows)->visible);
    EXPECT_FALSE(form.menu(MenuId::EndMenu).items()[3].visible);  // dw, the separator after shows
    EXPECT_FALSE(form.player().enableContextMenu());
    EXPECT_TRUE(form.player().autoStart());
    EXPECT_EQ(form.player().status(), u"");
    EXPECT_TRUE(form.trayIconUp());
    // The main window registers for docking first, the results window after it as its child.
    EXPECT_EQ(form.magneticWnd().WindowAt(1), form.hwnd());
    EXPECT_EQ(form.magneticWnd().WindowAt(2), form.fChild());
    EXPECT_EQ(form.magneticWnd().ParentOf(form.fChild()), form.hwnd());
    // No skin library beside the tests: the failure names it, so nothing is reported, and the
    // steps after it do not run: the progress bar keeps its design value.
    ASSERT_TRUE(form.startupFailure());
    EXPECT_NE(form.startupFailure()->description.find(u"SkinH.dll"), Text::npos);
    EXPECT_EQ(SendMessageW(form.ControlWindow(Form1Control::ProgressBar1), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(form.hwnd()));
    EXPECT_TRUE(IsWindowVisible(form.fChild()));
}

TEST_F(Form1Test, CloseHidesToTheTrayAndTheTrayClickBringsBothWindowsBack) {
    SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form.hwnd()));
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    EXPECT_TRUE(IsIconic(form.hwnd()));
    EXPECT_FALSE(IsWindowVisible(form.fChild()));
    EXPECT_TRUE(form.menu(MenuId::EndMenu).Find(Command::shows)->visible);
    EXPECT_EQ(form.state().TrayNoticeState, 1);
    // A left click on the icon.
    SendMessageW(form.hwnd(), 1025, 0, 514);
    EXPECT_TRUE(IsWindowVisible(form.hwnd()));
    EXPECT_FALSE(IsIconic(form.hwnd()));
    EXPECT_TRUE(IsWindowVisible(form.fChild()));
    EXPECT_FALSE(form.menu(MenuId::EndMenu).Find(Command::shows)->visible);
    // And again: back to the tray.
    SendMessageW(form.hwnd(), 1025, 0, 514);
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    EXPECT_TRUE(IsIconic(form.hwnd()));
}

TEST_F(Form1Test, OnlyTheCallbackMessageActsOnTrayNotifications) {
    SendMessageW(form.hwnd(), WM_USER, 0, 514);
    SendMessageW(form.hwnd(), 1026, 0, 514);
    EXPECT_TRUE(IsWindowVisible(form.hwnd()));
    EXPECT_FALSE(IsIconic(form.hwnd()));
}

TEST_F(Form1Test, ClosingAfterASongOnlyChangesTheTipFromThenOn) {
    form.state().NowPlayingTitle = u"后来";
    SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.state().TrayNoticeState, 2);
    // A balloon that times out leaves the state alone.
    SendMessageW(form.hwnd(), 1025, 0, 1028);
    EXPECT_EQ(form.state().TrayNoticeState, 2);
}

TEST_F(Form1Test, TheTrayMenuListsShowOnlyWhileMinimised) {
    const ScopedMenu shown = BuildPopup(form.menu(MenuId::EndMenu));
    EXPECT_EQ(PopupItems(shown.get()),
              (std::vector<std::wstring>{L"停止播放", L"-", L"上一首", L"-", L"下一首", L"-", L"退出", L"-",
                                         L"音乐来源…"}));
    form.RunCommand(Command::shows);
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    const ScopedMenu hidden = BuildPopup(form.menu(MenuId::EndMenu));
    EXPECT_EQ(PopupItems(hidden.get()),
              (std::vector<std::wstring>{L"停止播放", L"-", L"显示", L"-", L"上一首", L"-", L"下一首", L"-",
                                         L"退出", L"-", L"音乐来源…"}));
    form.RunCommand(Command::shows);
    EXPECT_TRUE(IsWindowVisible(form.hwnd()));
    EXPECT_FALSE(IsIconic(form.hwnd()));
}

// Each mode shows on exactly one option button and as the one checked item of the Mos menu.
TEST_F(Form1Test, PlayModeCommandsSetTheOptionAndTheCheckMark) {
    const struct {
        Command command;
        PlayMode mode;
        Form1Control option;
    } modes[] = {{Command::suiji, PlayMode::Random, Form1Control::Option3},
                 {Command::Ones, PlayMode::SingleRepeat, Form1Control::Option1},
                 {Command::Lists, PlayMode::ListLoop, Form1Control::Option2}};
    for (const auto& chosen : modes) {
        form.RunCommand(chosen.command);
        EXPECT_EQ(form.state().Mode, chosen.mode);
        const ScopedMenu mos = BuildPopup(form.menu(MenuId::Mos));
        for (size_t i = 0; i < std::size(modes); ++i) {
            const bool on = modes[i].command == chosen.command;
            const auto name = TextToUtf8(Form1Placement(modes[i].option).name);
            EXPECT_EQ(SendMessageW(form.ControlWindow(modes[i].option), BM_GETCHECK, 0, 0),
                      on ? BST_CHECKED : BST_UNCHECKED)
                << name;
            EXPECT_EQ(form.menu(MenuId::Mos).Find(modes[i].command)->checked, on) << name;
        }
        // The menu lists Ones, Lists, suiji: the popup shows the model's check.
        const UINT at = chosen.command == Command::Ones ? 0 : chosen.command == Command::Lists ? 1 : 2;
        EXPECT_EQ(GetMenuState(mos.get(), at, MF_BYPOSITION) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
    }
}

TEST_F(Form1Test, PlayerAreaClicksStopRestartsAndADoubleClickAsksForFullScreen) {
    const HWND player = form.ControlWindow(Form1Control::WindowsMediaPlayer1);
    form.state().AutoResume = 1;
    SendMessageW(player, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(form.state().AutoResume, 2);
    EXPECT_FALSE(form.player().fullScreen());
    SendMessageW(player, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(form.player().fullScreen());
    // Over the whole screen, and back in its place with Esc.
    RECT screen{};
    GetWindowRect(player, &screen);
    EXPECT_EQ(screen.right - screen.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(screen.bottom - screen.top, GetSystemMetrics(SM_CYSCREEN));
    SendMessageW(player, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(form.player().fullScreen());
    EXPECT_EQ(GetParent(player), form.hwnd());
    const RECT home = ClientRectOf(player);
    EXPECT_EQ(home.left, 0);
    EXPECT_EQ(home.top, 0);
    EXPECT_EQ(home.right, 156);
    EXPECT_EQ(home.bottom, 55);
}

TEST_F(Form1Test, PointerOnTheProgressSliderStopsTimer3AndElsewhereStartsIt) {
    EXPECT_TRUE(form.Timer3Enabled());
    SendMessageW(form.ControlWindow(Form1Control::Slider1), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(form.Timer3Enabled());
    for (const Form1Control control :
         {Form1Control::Frame1, Form1Control::Label1, Form1Control::Command2, Form1Control::ProgressBar1,
          Form1Control::Slider2, Form1Control::QMListBox1, Form1Control::WindowsMediaPlayer1}) {
        SendMessageW(form.ControlWindow(Form1Control::Slider1), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        SendMessageW(form.ControlWindow(control), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_TRUE(form.Timer3Enabled()) << TextToUtf8(Form1Placement(control).name);
    }
    // The status bar does not switch it on.
    SendMessageW(form.ControlWindow(Form1Control::Slider1), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    SendMessageW(form.ControlWindow(Form1Control::StatusBar1), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_FALSE(form.Timer3Enabled());
    SendMessageW(form.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(200, 300));
    EXPECT_TRUE(form.Timer3Enabled());
    // While it is off the full tick does not run.
    RecordingCommands commands;
    form.Connect(&commands, nullptr);
    SendMessageW(form.ControlWindow(Form1Control::Slider1), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    ::mulan::testing::PumpFor(600);
    EXPECT_EQ(commands.fullTicks, 0);
    EXPECT_GT(commands.reducedTicks, 2);
    form.Connect(nullptr, nullptr);
}

TEST_F(Form1Test, MenuCommandsAndTimersReachThePlaybackHooks) {
    RecordingCommands commands;
    form.Connect(&commands, nullptr);
    for (const Command command : {Command::Pla, Command::Dolown, Command::se360, Command::DEL, Command::Cles,
                                  Command::zant, Command::UP, Command::Next}) {
        form.RunCommand(command);
    }
    EXPECT_EQ(commands.calls,
              (std::vector<std::string>{"Pla", "Dolown", "se360", "DEL", "Cles", "zant", "UP", "Next"}));
    commands.calls.clear();
    // Timer2 starts the start-up search on its second tick, once.
    ::mulan::testing::PumpFor(3300);
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"StartupSearch"}));
    // Timer3 is on: each display tick is the full one, which shows all the reduced one would.
    EXPECT_GT(commands.fullTicks, 5);
    EXPECT_EQ(commands.reducedTicks, 0);
    form.Connect(nullptr, nullptr);
}

// The notification area accepts a change only for an icon it has.
bool IconExists(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = window;
    data.uID = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// Another subclass on the main window, as the docking service puts one.
LRESULT CALLBACK CountingHook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR count) {
    if (msg == WM_NULL) ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TEST(Trayico, HooksComeOffInAnyOrder) {
    Form1 form;
    ASSERT_TRUE(form.Create(SW_SHOWNOACTIVATE));
    int seen = 0;
    ASSERT_TRUE(SetWindowSubclass(form.hwnd(), CountingHook, 7, reinterpret_cast<DWORD_PTR>(&seen)));
    // The tray lets go of the window first, while the other subclass stays.
    form.tray().RemoveTrayIcon();
    EXPECT_FALSE(form.trayIconUp());
    SendMessageW(form.hwnd(), 1025, 0, 514);
    EXPECT_FALSE(IsIconic(form.hwnd()));
    SendMessageW(form.hwnd(), WM_NULL, 0, 0);
    EXPECT_EQ(seen, 1);
    // Now on top of the other one; the other comes off first and the tray's keeps working.
    form.tray().ShowTrayNotice(TrayNotice{u"沐岚音乐播放器", u"", 10, 5000});
    RemoveWindowSubclass(form.hwnd(), CountingHook, 7);
    SendMessageW(form.hwnd(), WM_NULL, 0, 0);
    EXPECT_EQ(seen, 1);
    SendMessageW(form.hwnd(), 1025, 0, 514);
    EXPECT_TRUE(IsIconic(form.hwnd()));
    // Removing twice does nothing the second time.
    EXPECT_TRUE(IconExists(form.hwnd()));
    form.tray().RemoveTrayIcon();
    EXPECT_FALSE(IconExists(form.hwnd()));
    form.tray().RemoveTrayIcon();
    EXPECT_FALSE(form.trayIconUp());
}

TEST(Trayico, ANewTaskbarGetsTheIconAgain) {
    Form1 form;
    ASSERT_TRUE(form.Create(SW_SHOWNOACTIVATE));
    ASSERT_TRUE(IconExists(form.hwnd()));
    // The icon is lost as with a restarted taskbar, which then announces itself.
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = form.hwnd();
    Shell_NotifyIconW(NIM_DELETE, &data);
    ASSERT_FALSE(IconExists(form.hwnd()));
    SendMessageW(form.hwnd(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(IconExists(form.hwnd()));
    // And a left click still brings the window back from the tray.
    SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
    SendMessageW(form.hwnd(), 1025, 0, 514);
    EXPECT_TRUE(IsWindowVisible(form.hwnd()));
}

}  // namespace
}  // namespace mulan::app::ui

namespace mulan::app::ui {
namespace {

// The main window with a long, scrolled playlist in every row state, copied from the screen and kept
// for a look (main-window-playlist.bmp beside the test program).
TEST_F(Form1Test, PlaylistShowsEveryRowStateScrolledInTheMainWindow) {
    auto& list = form.playlist();
    for (int i = 0; i < 60; ++i) {
        const std::string id = std::to_string(1001 + i);
        const Text title = i == 9 ? u"一首名字很长很长很长很长很长很长的歌 A Very Long Title Indeed"
                                  : u"歌曲 " + Utf8ToText(id);
        list.AddItem(title, Utf8ToText(id), Utf8ToText(id), u"03:1" + Utf8ToText(std::to_string(i % 10)));
    }
    SendMessageW(list.hWnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 0);
    ASSERT_EQ(list.Model().FirstIndex(), 4);
    list.Model().SetListIndex(6);
    list.Model().SetPlayIndex(8);
    list.Model().SetItemError(11, true);
    list.Model().SetItemError(12, true);
    list.Model().SetPlayIndex(12);  // a broken playing row: its number in the error colour, no icon
    list.Model().SetPlayIndex(8);
    SetForegroundWindow(form.hwnd());
    RedrawWindow(form.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame{};
    GetWindowRect(form.hwnd(), &frame);
    scrollbar::testing::DibCanvas shot(frame.right - frame.left, frame.bottom - frame.top);
    const HDC screen = GetDC(nullptr);
    BitBlt(shot.dc(), 0, 0, shot.width(), shot.height(), screen, frame.left, frame.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(shot.WriteBmp("main-window-playlist.bmp"));
    // The selected row (entry 6, third from the top) in the selection colour, inside the border.
    RECT listRect{};
    GetWindowRect(list.hWnd(), &listRect);
    const int x = listRect.left - frame.left + 3;
    const int y = listRect.top - frame.top + 1 + 2 * 18 + 1;
    EXPECT_EQ(shot.Pixel(x, y), RGB(0x62, 0x94, 0xCC));
}

}  // namespace
}  // namespace mulan::app::ui

namespace mulan::app::ui {
namespace {

HWND SearchEdit(Form1& form) {
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    GetComboBoxInfo(form.ControlWindow(Form1Control::Text1), &parts);
    return parts.hwndItem;
}

void Type(HWND edit, const wchar_t* text) {
    for (const wchar_t* c = text; *c; ++c) SendMessageW(edit, WM_CHAR, *c, 1);
}

// Enter searches with the box's text and keeps it in the history (case counts); the history then
// completes what is typed, with the completed part selected; Backspace empties the whole box.
TEST_F(Form1Test, SearchBoxSearchesRemembersCompletesAndEmpties) {
    RecordingCommands commands;
    form.Connect(&commands, nullptr);
    const HWND box = form.ControlWindow(Form1Control::Text1);
    const HWND edit = SearchEdit(form);
    ASSERT_TRUE(edit);
    SetWindowTextW(box, L"Blue Sky");
    SendMessageW(edit, WM_CHAR, 13, 1);
    SetWindowTextW(box, L"blue sky");
    SendMessageW(edit, WM_CHAR, 13, 1);
    SetWindowTextW(box, L"Blue Sky");
    SendMessageW(edit, WM_CHAR, 13, 1);
    EXPECT_EQ(form.searchState().SearchTarget, 3);
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 2);
    ASSERT_GE(commands.calls.size(), 3u);
    EXPECT_EQ(commands.calls[commands.calls.size() - 3], "SearchFromBox Blue Sky");

    SendMessageW(edit, WM_CHAR, 8, 1);
    EXPECT_EQ(GetWindowTextLengthW(box), 0);
    Type(edit, L"Bl");
    EXPECT_EQ(TextOf(box), L"Blue Sky");
    DWORD start = 0, end = 0;
    SendMessageW(box, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 8u);
    form.Connect(nullptr, nullptr);
}

}  // namespace
}  // namespace mulan::app::ui

namespace mulan::app::ui {
namespace {

LONG FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

// Every control from its twips, the fonts and the playlist's rows at the window's DPI.
RECT WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return monitor.rcWork;
}

// The designed layout at dpi, except that a window taller than its work area lies inside it with
// the playlist shortened by exactly the excess (and the status bar moved up by as much).
void ExpectLaidOutAt(Form1& form, int dpi) {
    RECT client{};
    GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, TwipsToPixels(kForm1ClientWidthTwips, dpi)) << dpi;
    const int cut = TwipsToPixels(kForm1ClientHeightTwips, dpi) - client.bottom;
    RECT window{};
    GetWindowRect(form.hwnd(), &window);
    const RECT work = WorkAreaOf(form.hwnd());
    EXPECT_EQ(cut, std::max(0L, (window.bottom - window.top + cut) - (work.bottom - work.top))) << dpi;
    EXPECT_GE(window.top, work.top) << dpi;
    EXPECT_LE(window.bottom, work.bottom) << dpi;
    for (const ControlPlacement& placement : kForm1Layout) {
        PixelRect want = ToPixels(placement, dpi);
        if (ControlOf(placement) == Form1Control::QMListBox1) want.height -= cut;
        if (ControlOf(placement) == Form1Control::StatusBar1) want.top -= cut;
        const RECT r = ClientRectOf(form.ControlWindow(ControlOf(placement)));
        const PixelRect got{r.left, r.top, r.right - r.left,
                            ControlOf(placement) == Form1Control::Text1 ? want.height : r.bottom - r.top};
        EXPECT_EQ(got, want) << TextToUtf8(placement.name) << " at " << dpi;
    }
    const LONG nine = -static_cast<LONG>(9.0 * dpi / 72);
    EXPECT_EQ(FontHeight(form.ControlWindow(Form1Control::StatusBar1)), nine) << dpi;
    EXPECT_EQ(FontHeight(form.ControlWindow(Form1Control::Text1)), nine) << dpi;
    EXPECT_EQ(FontHeight(form.ControlWindow(Form1Control::Label1)), -static_cast<LONG>(10.5 * dpi / 72))
        << dpi;
    EXPECT_EQ(form.playlist().Model().RowPitch(), ScaleToDpi(18, dpi));
    EXPECT_EQ(form.playlist().Model().ItemHeight(), 18);  // the stored value stays
    EXPECT_EQ(form.playlist().ucBar().Width(), ScaleToDpi(17, dpi));
}

std::vector<int> PanelEdges(HWND bar) {
    std::vector<int> edges(8);
    edges.resize(static_cast<size_t>(
        SendMessageW(bar, SB_GETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()))));
    return edges;
}

std::wstring PanelText(HWND bar, int index) {
    wchar_t text[256]{};
    SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

// Panel 2 ends beyond the window: the library's progress takes a third panel at the bar's right end,
// where it can be seen, for as long as the library works, at any DPI. Panels 1 and 2 keep their
// texts, and a balloon of the library leaves the icon's tip as it was.
TEST_F(Form1Test, TheLibraryPanelShowsAtTheBarsRightEndWhileTheLibraryWorks) {
    const HWND bar = form.ControlWindow(Form1Control::StatusBar1);
    const std::vector<int> before = PanelEdges(bar);
    form.SetStatusPanel1(u"正在播放：歌");
    form.SetStatusPanel2(u"共找到3首音乐信息!");
    const int screen = form.Dpi();
    for (const int dpi : {screen == 144 ? 120 : 144, screen}) {
        form.ShowLibraryProgress(u"整理曲库 40%");
        RECT suggested{};
        GetWindowRect(form.hwnd(), &suggested);
        SendMessageW(form.hwnd(), win::kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        const std::vector<int> edges = PanelEdges(bar);
        ASSERT_EQ(edges.size(), 3u) << dpi;
        RECT client{};
        GetClientRect(bar, &client);
        EXPECT_LE(edges[1], client.right - ScaleToDpi(100, dpi)) << "the panel is wide enough to read";
        EXPECT_GT(edges[1], edges[0] + ScaleToDpi(40, dpi)) << "panel 2 still shows";
        EXPECT_EQ(edges[2], -1) << "to the bar's end";
        form.ShowLibraryProgress(u"");
    }
    form.ShowLibraryProgress(u"整理曲库 80%");
    EXPECT_EQ(PanelText(bar, 2), L"整理曲库 80%");
    form.tray().ShowTrayNotice(TrayNotice{u"沐岚音乐播放器\r\n正在播放：歌", u"", 0, 5000});
    form.AnnounceInTray(u"曲库整理完成：共 3 首");
    EXPECT_EQ(form.tray().Tip(), u"沐岚音乐播放器\r\n正在播放：歌");
    form.ShowLibraryProgress(u"");
    EXPECT_EQ(PanelEdges(bar), before) << "the two panels as they were";
    EXPECT_EQ(PanelText(bar, 0), L"正在播放：歌");
    EXPECT_EQ(PanelText(bar, 1), L"共找到3首音乐信息!");
    form.tray().RemoveTrayIcon();
}

TEST_F(Form1Test, LaysOutAtItsDpiAndAgainWhenTheDpiChanges) {
    const int screen = win::WindowDpi(form.hwnd());
    EXPECT_EQ(form.Dpi(), screen);
    ExpectLaidOutAt(form, screen);
    // Moved to a monitor of another DPI: the system suggests a rectangle, the window lays out again.
    for (const int dpi : {screen == 144 ? 120 : 144, screen}) {
        RECT suggested{};
        GetWindowRect(form.hwnd(), &suggested);
        suggested.right = suggested.left + suggested.right * dpi / form.Dpi();
        SendMessageW(form.hwnd(), win::kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(form.Dpi(), dpi);
        ExpectLaidOutAt(form, dpi);
    }
}

// At 144 DPI the window (outer height 769) is taller than a 768-pixel screen's work area: it moves
// onto the work area and gives up playlist rows; back at 96 DPI the playlist has its full height.
TEST_F(Form1Test, StaysInsideTheWorkAreaAtAHighDpiAndGrowsBackAtALowerOne) {
    const RECT work = WorkAreaOf(form.hwnd());
    for (const int dpi : {144, 96}) {
        // The system's suggestion puts the window's top near the bottom of the screen.
        RECT suggested{work.left + 10, work.bottom - 100, work.left + 10 + 500, work.bottom + 700};
        SendMessageW(form.hwnd(), win::kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        ExpectLaidOutAt(form, dpi);
        RECT window{};
        GetWindowRect(form.hwnd(), &window);
        RECT client{};
        GetClientRect(form.hwnd(), &client);
        const int cut = TwipsToPixels(kForm1ClientHeightTwips, dpi) - client.bottom;
        // Moved up just enough, and shortened only when moving is not enough.
        EXPECT_EQ(window.bottom, work.bottom) << dpi;
        if (cut > 0) {
            EXPECT_EQ(window.top, work.top) << dpi;
        }
        if (dpi == 96) {
            EXPECT_EQ(cut, 0);
        }
    }
}

// A search or a song change waits for the site in a loop of its own: F3, Ctrl+F and Tab act there as
// in the main loop.
TEST_F(Form1Test, ShortcutsWorkInTheLoopThatWaitsForTheSite) {
    site::WindowsMessagePump pump(&form);
    const HWND playlist = form.playlist().hWnd();
    const HWND box = form.ControlWindow(Form1Control::Text1);
    SetForegroundWindow(form.hwnd());
    SetFocus(playlist);
    PostMessageW(playlist, WM_KEYDOWN, VK_F3, 1);
    pump.RunPending();
    EXPECT_TRUE(GetFocus() == box || IsChild(box, GetFocus()));    // the combo box's edit part
    EXPECT_EQ(HIWORD(SendMessageW(box, CB_GETEDITSEL, 0, 0)), 4);  // its text "搜索歌曲" selected
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    pump.RunPending();
    EXPECT_EQ(GetFocus(), playlist);
}

TEST_F(Form1Test, ADpiChangeInFullScreenKeepsThePlayerOnTheScreenAndItsReturnAtTheNewDpi) {
    const HWND player = form.ControlWindow(Form1Control::WindowsMediaPlayer1);
    const int screen = win::WindowDpi(form.hwnd());
    const int dpi = screen == 144 ? 120 : 144;
    SendMessageW(player, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(form.player().fullScreen());
    RECT suggested{};
    GetWindowRect(form.hwnd(), &suggested);
    SendMessageW(form.hwnd(), win::kWmDpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT area{};
    GetWindowRect(player, &area);
    EXPECT_EQ(area.right - area.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(area.bottom - area.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetParent(player), nullptr);
    SendMessageW(player, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_FALSE(form.player().fullScreen());
    ExpectLaidOutAt(form, dpi);
}

// Keys as the message loop sees them, with the focus where a user would have it.
void PressKey(Form1& form, HWND target, UINT vk) {
    MSG msg{target, WM_KEYDOWN, vk, 1, 0, {}};
    if (!form.PreTranslateMessage(msg)) SendMessageW(target, WM_KEYDOWN, vk, 1);
}

// The owner of the playback goes before its windows when the program ends: keys, list commands and
// display ticks then reach nothing instead of a destroyed owner.
TEST_F(Form1Test, TheWindowsOutliveTheirOwnerSafely) {
    auto& list = form.playlist();
    for (int i = 0; i < 3; ++i) list.AddItem(u"歌曲", u"100" + Utf8ToText(std::to_string(i)), u"");
    { PlayerApp app(form, MusicSource{MusicSource::Kind::Site, {}, site::SiteHosts::Local()}); }
    const HWND playlist = list.hWnd();
    PressKey(form, playlist, VK_DOWN);
    PressKey(form, playlist, VK_RETURN);
    PressKey(form, playlist, VK_DELETE);
    SendMessageW(form.hwnd(), WM_TIMER, 3, 0);
    SendMessageW(form.hwnd(), WM_TIMER, 4, 0);
    EXPECT_EQ(list.Model().ListCount(), 3);
    EXPECT_EQ(TextOf(form.ControlWindow(Form1Control::Label1)), L"暂无歌词显示");
}

TEST_F(Form1Test, KeyboardRunsThePlaylistTabOrderAndTheSearchBox) {
    RecordingCommands commands;
    form.Connect(&commands, nullptr);
    auto& list = form.playlist();
    for (int i = 0; i < 5; ++i) list.AddItem(u"歌曲", u"100" + Utf8ToText(std::to_string(i)), u"");
    const HWND playlist = list.hWnd();
    PressKey(form, playlist, VK_DOWN);
    PressKey(form, playlist, VK_DOWN);
    EXPECT_EQ(list.Model().ListIndex(), 1);
    PressKey(form, playlist, VK_RETURN);
    PressKey(form, playlist, VK_DELETE);
    EXPECT_EQ(form.state().MenuIndex, 1);
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"PlayEntryAt", "DEL"}));
    // Tab: search box, playlist, progress slider, volume slider, and round again; Shift+Tab back.
    SetForegroundWindow(form.hwnd());
    SetFocus(form.ControlWindow(Form1Control::Text1));
    PressKey(form, GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), playlist);
    PressKey(form, GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), form.ControlWindow(Form1Control::Slider1));
    PressKey(form, GetFocus(), VK_TAB);
    PressKey(form, GetFocus(), VK_TAB);
    EXPECT_TRUE(IsChild(form.ControlWindow(Form1Control::Text1), GetFocus()) ||
                GetFocus() == form.ControlWindow(Form1Control::Text1));
    // F3 from anywhere puts the focus in the search box with its text selected.
    SetFocus(playlist);
    PressKey(form, playlist, VK_F3);
    const DWORD selection =
        static_cast<DWORD>(SendMessageW(form.ControlWindow(Form1Control::Text1), CB_GETEDITSEL, 0, 0));
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), 4);  // "搜索歌曲"
    EXPECT_NE(GetFocus(), playlist);
}

TEST_F(Form1Test, MediaKeysRunTheTrayCommands) {
    RecordingCommands commands;
    form.Connect(&commands, nullptr);
    ShowWindow(form.hwnd(), SW_HIDE);  // in the tray
    SendMessageW(form.hwnd(), WM_HOTKEY, 2, MAKELPARAM(0, VK_MEDIA_NEXT_TRACK));
    SendMessageW(form.hwnd(), WM_HOTKEY, 3, MAKELPARAM(0, VK_MEDIA_PREV_TRACK));
    SendMessageW(form.hwnd(), WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_PLAY_PAUSE));
    // Stop pauses only what plays: with the item reading "停止播放" nothing runs.
    SendMessageW(form.hwnd(), WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_STOP));
    EXPECT_EQ(commands.calls, (std::vector<std::string>{"Next", "UP", "zant"}));
}

}  // namespace
}  // namespace mulan::app::ui
