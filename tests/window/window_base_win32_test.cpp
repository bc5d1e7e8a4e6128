#include "window/window_base_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/report_catcher.h"
#include "window/typed_controls_win32.h"

namespace mulan::window {
namespace {

constexpr int kButtonId = 7;

// A window of the program's own kind, with one button, that writes down what reaches it.
class RecordingWindow : public WindowBase {
  public:
    bool Create() {
        if (!RegisterClassOnce(L"MulanRecordingWindow", nullptr, nullptr)) return false;
        return CreateWindowFor(L"MulanRecordingWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100,
                               nullptr) &&
               button.Create(L"按钮", BS_PUSHBUTTON, RECT{0, 0, 80, 24}, hwnd(), kButtonId) &&
               list.Create(LVS_REPORT, RECT{0, 30, 80, 60}, hwnd(), kButtonId + 1);
    }
    void DestroyNow() { Destroy(); }

    Button button;
    // Hears only its notifications: its parent tells it when its window went.
    ListView list;
    std::vector<std::string>* log = nullptr;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_DESTROY)
            log->push_back("destroy, button " + std::string(button.hwnd() ? "alive" : "gone"));
        if (msg == WM_NCDESTROY) log->push_back("ncdestroy");
        if (msg == WM_COMMAND && LOWORD(wp) == kButtonId) log->push_back("parent heard the button");
        return Default(msg, wp, lp);
    }
};

class DestroyedByItsClass final : public RecordingWindow {
  public:
    ~DestroyedByItsClass() override { DestroyNow(); }
};

TEST(WindowBase, AWindowSeesItsDestructionInOrderAndItsControlsLetGo) {
    std::vector<std::string> log;
    {
        DestroyedByItsClass window;
        window.log = &log;
        ASSERT_TRUE(window.Create());
        EXPECT_EQ(GetParent(window.button.hwnd()), window.hwnd());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"destroy, button alive", "ncdestroy"}));

    // Destroyed by the system first, the window and its button are forgotten by their objects.
    DestroyedByItsClass window;
    window.log = &log;
    ASSERT_TRUE(window.Create());
    DestroyWindow(window.hwnd());
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_EQ(window.button.hwnd(), nullptr);
    EXPECT_EQ(window.list.hwnd(), nullptr);
}

TEST(WindowBase, AClassThatForgetsToDestroyItsWindowIsReported) {
    std::vector<std::string> log;
    testing::ReportCatcher catcher;
    {
        RecordingWindow window;
        window.log = &log;
        ASSERT_TRUE(window.Create());
    }
    ASSERT_EQ(catcher.reports.size(), 1u);
    EXPECT_NE(catcher.reports[0].find("hwnd_ != nullptr"), std::string::npos);
    // The window went without its object: nothing reached a half-destroyed class.
    EXPECT_TRUE(log.empty());
}

TEST(TypedControls, NotificationsReachTheControlAndAFailureInOneIsReportedNotThrown) {
    std::vector<std::string> log;
    DestroyedByItsClass window;
    window.log = &log;
    ASSERT_TRUE(window.Create());
    // Without a handler the parent hears the click as before.
    SendMessageW(window.button.hwnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"parent heard the button"}));
    log.clear();
    int clicks = 0;
    window.button.onClick = [&] { ++clicks; };
    SendMessageW(window.button.hwnd(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(log.empty());

    testing::ReportCatcher catcher;
    window.button.onClick = [] { throw std::runtime_error("click failed"); };
    window.button.onMouseMove = [] { throw std::runtime_error("move failed"); };
    SendMessageW(window.button.hwnd(), BM_CLICK, 0, 0);
    SendMessageW(window.button.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    ASSERT_EQ(catcher.reports.size(), 2u);
    EXPECT_NE(catcher.reports[0].find("click failed"), std::string::npos);
    EXPECT_NE(catcher.reports[1].find("move failed"), std::string::npos);
    EXPECT_TRUE(IsWindow(window.button.hwnd()));
}

// The controls that keep what they were last given (so that reading it sends nothing) agree with
// what the controls themselves report; a trackbar's position is the user's too and is read.
TEST(TypedControls, KeptValuesAgreeWithTheControls) {
    DestroyedByItsClass window;
    std::vector<std::string> log;
    window.log = &log;
    ASSERT_TRUE(window.Create());
    ProgressBar bar;
    Trackbar slider;
    StatusBar status;
    Label label;
    ASSERT_TRUE(bar.Create(RECT{0, 0, 100, 10}, window.hwnd(), 20));
    ASSERT_TRUE(slider.Create(TBS_HORZ, RECT{0, 10, 100, 30}, window.hwnd(), 21));
    ASSERT_TRUE(status.Create(CCS_NOPARENTALIGN | CCS_NORESIZE, RECT{0, 40, 100, 60}, window.hwnd(), 22));
    ASSERT_TRUE(label.Create(L"暂无歌词显示", SS_LEFT, RECT{0, 60, 100, 80}, window.hwnd(), 23));
    EXPECT_EQ(bar.RangeMax(), static_cast<int>(SendMessageW(bar.hwnd(), PBM_GETRANGE, FALSE, 0)));
    EXPECT_EQ(slider.RangeMax(), static_cast<int>(SendMessageW(slider.hwnd(), TBM_GETRANGEMAX, 0, 0)));
    EXPECT_EQ(label.Shown(), u"暂无歌词显示");
    bar.SetRange(2000);
    bar.SetPos(750);
    slider.SetRangeMax(200);
    slider.SetPos(75);
    const int edges[2] = {40, -1};
    status.SetParts(edges);
    status.SetPanelText(2, u"正在播放");
    label.SetText(u"天青色等烟雨");
    EXPECT_EQ(bar.RangeMax(), static_cast<int>(SendMessageW(bar.hwnd(), PBM_GETRANGE, FALSE, 0)));
    EXPECT_EQ(bar.Pos(), static_cast<int>(SendMessageW(bar.hwnd(), PBM_GETPOS, 0, 0)));
    EXPECT_EQ(slider.RangeMax(), static_cast<int>(SendMessageW(slider.hwnd(), TBM_GETRANGEMAX, 0, 0)));
    EXPECT_EQ(status.PanelText(2), u"正在播放");
    EXPECT_EQ(status.PanelText(1), u"");
    EXPECT_EQ(status.PanelText(7), u"");
    wchar_t text[32]{};
    SendMessageW(status.hwnd(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::wstring(text), L"正在播放");
    EXPECT_EQ(label.Shown(), label.GetText());
    EXPECT_EQ(slider.Pos(), static_cast<int>(SendMessageW(slider.hwnd(), TBM_GETPOS, 0, 0)));
    // The position is the control's: set by anyone, moved by the keys, clamped by a smaller range.
    SendMessageW(slider.hwnd(), TBM_SETPOS, TRUE, 120);
    EXPECT_EQ(slider.Pos(), 120);
    SendMessageW(slider.hwnd(), WM_KEYDOWN, VK_RIGHT, 1);
    SendMessageW(slider.hwnd(), WM_KEYUP, VK_RIGHT, 1);
    EXPECT_EQ(slider.Pos(), static_cast<int>(SendMessageW(slider.hwnd(), TBM_GETPOS, 0, 0)));
    EXPECT_EQ(slider.Pos(), 121);
    SendMessageW(slider.hwnd(), WM_KEYDOWN, VK_END, 1);
    EXPECT_EQ(slider.Pos(), 200);
    slider.SetRangeMax(50);
    EXPECT_EQ(slider.Pos(), static_cast<int>(SendMessageW(slider.hwnd(), TBM_GETPOS, 0, 0)));
    EXPECT_EQ(slider.Pos(), 50);
}

}  // namespace
}  // namespace mulan::window
