#include "app/ui/music_source_dialog_win32.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/ui/folder_picker_win32.h"
#include "base/dpi_scale.h"
#include "base/window_dpi_win32.h"
#include "controls/scrollbar/dib_canvas_win32.h"
#include "support/message_loop_win32.h"

namespace mulan::app::ui {
namespace {

using Kind = MusicSource::Kind;
using Dialog = MusicSourceDialog;
const Text kMusic = u"C:\\users\\lan\\Music";

// Stands in for the main window: an owner whose timer keeps ticking while the dialog is up, and
// which drives the dialog from there, one step a tick, as a user would with the keyboard.
class Owner : public window::WindowBase {
  public:
    ~Owner() override { Destroy(); }
    std::function<void()> onTick;

    bool Create() {
        return RegisterClassOnce(L"MulanMusicSourceTestOwner", nullptr, GetSysColorBrush(COLOR_WINDOW)) &&
               CreateWindowFor(L"MulanMusicSourceTestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               60, 60, 600, 500, nullptr);
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_TIMER) {
            if (onTick) onTick();
            return 0;
        }
        return Default(msg, wp, lp);
    }
};

HWND FindDialog() {
    return FindWindowW(L"MulanMusicSource", Dialog::kTitle);
}

HWND Item(int id) {
    return GetDlgItem(FindDialog(), id);
}

bool Checked(int id) {
    return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Enabled(int id) {
    return IsWindowEnabled(Item(id)) != FALSE;
}

// A key as the keyboard sends it to the control with the focus.
void Key(UINT key) {
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 1u | (3u << 30));
}

// Alt with a letter: the accelerator underlined in a control's text.
void AltKey(wchar_t letter) {
    PostMessageW(GetFocus(), WM_SYSCHAR, letter, 1u | (1u << 29));
}

void Type(const std::wstring& text) {
    for (const wchar_t c : text) PostMessageW(GetFocus(), WM_CHAR, c, 1);
}

std::vector<std::wstring> ListLines() {
    std::vector<std::wstring> lines;
    const HWND list = Item(Dialog::kFoldersId);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring line(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        line.resize(
            static_cast<size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
        lines.push_back(line);
    }
    return lines;
}

class MusicSourceDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create());
        SetTimer(owner.hwnd(), 1, 60, nullptr);
    }

    // Opens the dialog on current and runs steps one a tick once it shows; a dialog still open
    // long after the last step is closed so that the test ends (and fails).
    std::optional<MusicSource> Run(const MusicSource& current, std::deque<std::function<void()>> steps,
                                   FolderPicker pick = {}) {
        int idle = 0;
        owner.onTick = [&] {
            if (!FindDialog()) return;
            if (!steps.empty()) {
                auto step = std::move(steps.front());
                steps.pop_front();
                step();
            } else if (++idle == 30) {
                ADD_FAILURE() << "the dialog stayed open";
                PostMessageW(FindDialog(), WM_CLOSE, 0, 0);
            }
        };
        auto chosen = ChooseMusicSource(owner.hwnd(), current, kMusic, std::move(pick));
        owner.onTick = nullptr;
        EXPECT_TRUE(steps.empty()) << "the dialog closed before the last step";
        EXPECT_EQ(FindDialog(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
        return chosen;
    }

    Owner owner;
};

// Down moves to "音乐网站" and chooses it, Tab reaches the address; a bad address keeps the dialog
// open saying why, the good one typed over it is what Enter gives.
TEST_F(MusicSourceDialogTest, TheKeyboardChoosesASiteAndEnterConfirmsAGoodAddressOnly) {
    const MusicSource current{Kind::ThisComputer, {u"D:\\歌"}, {}};
    bool ownerEnabled = true;
    const auto chosen = Run(
        current,
        {[&] {
             ownerEnabled = IsWindowEnabled(owner.hwnd()) != FALSE;
             EXPECT_EQ(GetFocus(), Item(Dialog::kComputerId));
             EXPECT_TRUE(Checked(Dialog::kComputerId));
             EXPECT_FALSE(Checked(Dialog::kSiteId));
             EXPECT_TRUE(Enabled(Dialog::kFoldersId));
             EXPECT_FALSE(Enabled(Dialog::kAddressId));
             EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"C:\\users\\lan\\Music（默认）", L"D:\\歌"}));
             Key(VK_DOWN);
         },
         [&] {
             EXPECT_EQ(GetFocus(), Item(Dialog::kSiteId));
             EXPECT_TRUE(Checked(Dialog::kSiteId));
             EXPECT_FALSE(Checked(Dialog::kComputerId));
             EXPECT_FALSE(Enabled(Dialog::kFoldersId));
             EXPECT_FALSE(Enabled(Dialog::kAddId));
             EXPECT_FALSE(Enabled(Dialog::kRemoveId));
             EXPECT_TRUE(Enabled(Dialog::kAddressId));
             Key(VK_TAB);
         },
         [&] {
             EXPECT_EQ(GetFocus(), Item(Dialog::kAddressId));
             Type(L"nas:abc");
             Key(VK_RETURN);
         },
         [&] {
             const std::wstring message = ::mulan::testing::TextOf(Item(Dialog::kMessageId));
             EXPECT_EQ(message.rfind(L"音乐网站地址无效：“nas:abc”", 0), 0u) << message.size();
             // The bad address is selected: what is typed next replaces it.
             EXPECT_EQ(GetFocus(), Item(Dialog::kAddressId));
             Type(L"192.168.1.5:9000");
         },
         [&] {
             // Typing took the message away.
             EXPECT_EQ(::mulan::testing::TextOf(Item(Dialog::kMessageId)), L"");
             EXPECT_EQ(::mulan::testing::TextOf(Item(Dialog::kAddressId)), L"192.168.1.5:9000");
             Key(VK_RETURN);
         }});
    EXPECT_FALSE(ownerEnabled);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->kind, Kind::Site);
    EXPECT_EQ(chosen->hosts, *site::SiteHosts::At(u"192.168.1.5:9000"));
    EXPECT_EQ(chosen->folders, std::vector<Text>{u"D:\\歌"});
}

// A folder chosen in the list and removed with Alt+R is gone from what 确定 gives; the Music folder
// cannot be removed; Alt+A adds what the picker gives, or says why not.
TEST_F(MusicSourceDialogTest, FoldersAreAddedAndRemovedFromTheKeyboard) {
    const MusicSource current{Kind::ThisComputer, {u"D:\\a", u"E:\\b"}, {}};
    std::deque<Text> picks{u"E:\\b\\inner", u"F:\\新歌"};
    int asked = 0;
    const FolderPicker pick = [&](HWND parent) -> std::optional<Text> {
        ++asked;
        EXPECT_EQ(parent, FindDialog());
        Text folder = picks.front();
        picks.pop_front();
        return folder;
    };
    const auto chosen = Run(
        current,
        {[] { Key(VK_TAB); },
         [] {
             EXPECT_EQ(GetFocus(), Item(Dialog::kFoldersId));
             Key(VK_DOWN);  // the Music folder
         },
         [] {
             EXPECT_EQ(SendMessageW(Item(Dialog::kFoldersId), LB_GETCURSEL, 0, 0), 0);
             EXPECT_FALSE(Enabled(Dialog::kRemoveId));
             Key(VK_DOWN);
         },
         [] {
             EXPECT_TRUE(Enabled(Dialog::kRemoveId));
             AltKey(L'r');
         },
         [] {
             EXPECT_EQ(ListLines(), (std::vector<std::wstring>{L"C:\\users\\lan\\Music（默认）", L"E:\\b"}));
             AltKey(L'a');
         },
         [] {
             const std::wstring message = ::mulan::testing::TextOf(Item(Dialog::kMessageId));
             EXPECT_NE(message.find(L"E:\\b\\inner"), std::wstring::npos);
             AltKey(L'a');
         },
         [] {
             EXPECT_EQ(::mulan::testing::TextOf(Item(Dialog::kMessageId)), L"");
             EXPECT_EQ(ListLines().back(), L"F:\\新歌");
             Key(VK_RETURN);
         }},
        pick);
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, (MusicSource{Kind::ThisComputer, {u"E:\\b", u"F:\\新歌"}, {}}));
}

// A stored site laid out its own way opens as it is and is given back whole; Esc gives nothing,
// whatever was changed; so does closing the window.
TEST_F(MusicSourceDialogTest, AStoredSiteIsKeptAndEscapeGivesNothing) {
    const MusicSource stored{Kind::Site, {}, {u"pages:81", u"so:82", u"cdn:80"}};
    const auto kept = Run(stored, {[] {
                              EXPECT_EQ(GetFocus(), Item(Dialog::kSiteId));
                              EXPECT_TRUE(Checked(Dialog::kSiteId));
                              EXPECT_FALSE(Enabled(Dialog::kFoldersId));
                              EXPECT_EQ(::mulan::testing::TextOf(Item(Dialog::kAddressId)), L"pages:81");
                              Key(VK_RETURN);
                          }});
    ASSERT_TRUE(kept);
    EXPECT_EQ(*kept, stored);

    EXPECT_EQ(Run(stored, {[] { Key(VK_UP); }, [] { Key(VK_ESCAPE); }}), std::nullopt);
    EXPECT_EQ(Run(stored, {[] { PostMessageW(FindDialog(), WM_CLOSE, 0, 0); }}), std::nullopt);
}

// Laid out at the DPI of its monitor, again when moved to another; and copied from the screen at
// 96 DPI for a look (music-source-dialog.bmp beside the test program).
TEST_F(MusicSourceDialogTest, FollowsTheDpiAndShowsItsChineseTexts) {
    Dialog dialog({Kind::ThisComputer,
                   {u"D:\\音乐\\华语流行\\一个名字很长很长很长很长的文件夹\\2024", u"\\\\nas\\share\\歌曲"},
                   {}},
                  kMusic, {});
    ASSERT_TRUE(dialog.Create(owner.hwnd()));
    EXPECT_EQ(::mulan::testing::TextOf(dialog.hwnd()), L"音乐来源");
    const auto expectLaidOutAt = [&](int dpi) {
        EXPECT_EQ(dialog.Dpi(), dpi);
        RECT client{};
        GetClientRect(dialog.hwnd(), &client);
        EXPECT_EQ(client.right, ScaleToDpi(Dialog::kClientWidth, dpi)) << dpi;
        EXPECT_EQ(client.bottom, ScaleToDpi(Dialog::kClientHeight, dpi)) << dpi;
        RECT cancel{};
        GetWindowRect(GetDlgItem(dialog.hwnd(), IDCANCEL), &cancel);
        MapWindowPoints(nullptr, dialog.hwnd(), reinterpret_cast<POINT*>(&cancel), 2);
        // The last button keeps its margin at the bottom right.
        EXPECT_EQ(client.right - cancel.right, ScaleToDpi(12, dpi)) << dpi;
        EXPECT_EQ(client.bottom - cancel.bottom, ScaleToDpi(12, dpi)) << dpi;
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dialog.hwnd(), IDOK), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        LOGFONTW expected{};
        const win::ScopedFont made(win::CreateMessageFont(dpi));
        GetObjectW(made.get(), sizeof expected, &expected);
        EXPECT_EQ(font.lfHeight, expected.lfHeight) << dpi;
    };
    const int screen = win::WindowDpi(dialog.hwnd());
    expectLaidOutAt(screen);
    for (const int dpi : {screen == 144 ? 120 : 144, screen}) {
        RECT suggested{};
        GetWindowRect(dialog.hwnd(), &suggested);
        const SIZE frame = win::FrameSizeForClient(
            ScaleToDpi(Dialog::kClientWidth, dpi), ScaleToDpi(Dialog::kClientHeight, dpi),
            static_cast<DWORD>(GetWindowLongW(dialog.hwnd(), GWL_STYLE)), 0, dpi);
        suggested.right = suggested.left + frame.cx;
        suggested.bottom = suggested.top + frame.cy;
        SendMessageW(dialog.hwnd(), win::kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        expectLaidOutAt(dpi);
    }
    if (screen != kBaseDpi) GTEST_SKIP() << "the screen is at " << screen << " DPI, the look is taken at 96";
    SendMessageW(GetDlgItem(dialog.hwnd(), Dialog::kMessageId), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"“D:\\音乐\\华语流行” 在已列出的 “D:\\音乐” 之中，不必再添加。"));
    ShowWindow(dialog.hwnd(), SW_SHOW);
    SetForegroundWindow(dialog.hwnd());
    RedrawWindow(dialog.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine puts what was painted on the screen a moment later.
    GdiFlush();
    ::mulan::testing::PumpFor(300);
    RECT frame{};
    GetWindowRect(dialog.hwnd(), &frame);
    scrollbar::testing::DibCanvas shot(frame.right - frame.left, frame.bottom - frame.top);
    const HDC screenDc = GetDC(nullptr);
    BitBlt(shot.dc(), 0, 0, shot.width(), shot.height(), screenDc, frame.left, frame.top, SRCCOPY);
    ReleaseDC(nullptr, screenDc);
    EXPECT_TRUE(shot.WriteBmp("music-source-dialog.bmp"));
}

// The system's folder picker opens over the dialog (here under Wine too) and gives nothing when
// cancelled.
TEST_F(MusicSourceDialogTest, TheSystemFolderPickerOpensAndCancels) {
    std::wstring caption;
    owner.onTick = [&] {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM seen) -> BOOL {
                wchar_t name[64]{};
                GetClassNameW(window, name, 64);
                if (!IsWindowVisible(window) || std::wstring(name) != L"#32770") return TRUE;
                *reinterpret_cast<std::wstring*>(seen) = ::mulan::testing::TextOf(window);
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&caption));
    };
    EXPECT_EQ(PickFolder(owner.hwnd(), u"添加音乐文件夹"), std::nullopt);
    owner.onTick = nullptr;
    EXPECT_EQ(caption, L"添加音乐文件夹");
}

}  // namespace
}  // namespace mulan::app::ui
