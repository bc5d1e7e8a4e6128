#include "window/window_base_win32.h"

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

}  // namespace
}  // namespace mulan::window
