#include "app/ui/form2_win32.h"
#include "support/message_loop_win32.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace mulan::app::ui {
namespace {

// Stands in for the main window: an owner whose timer keeps ticking while Form2 is shown, and
// which looks at Form2 from inside its modal loop.
class Owner : public window::WindowBase {
  public:
    ~Owner() override { Destroy(); }
    std::function<void()> onTick;
    int ticks = 0;

    bool Create() {
        return RegisterClassOnce(L"MulanForm2TestOwner", nullptr, GetSysColorBrush(COLOR_WINDOW)) &&
               CreateWindowFor(L"MulanForm2TestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 100,
                               100, 500, 300, nullptr);
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_TIMER) {
            ++ticks;
            if (onTick) onTick();
            return 0;
        }
        return Default(msg, wp, lp);
    }
};

struct Seen {
    bool found = false;
    std::wstring text;
    DWORD selStart = 1;
    DWORD selEnd = 0;
    RECT client{};
    RECT text1{};
    LONG_PTR style = 0;
    bool ownerEnabled = true;
    int ticksAfterClose = 0;
};

HWND FindForm2() {
    return FindWindowW(L"MulanForm2", L"外链地址");
}

class Form2Test : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create());
        SetTimer(owner.hwnd(), 1, 30, nullptr);
    }

    // Shows address; from the owner's timer reads Form2 and closes it with closeMessage.
    Seen ShowAndClose(const std::wstring& address, bool escape) {
        Seen seen;
        owner.onTick = [&] {
            const HWND form = FindForm2();
            if (!form) return;
            if (seen.found) {
                // Still open long after it was asked to close: close it so that the test ends.
                if (++seen.ticksAfterClose == 20) PostMessageW(form, WM_CLOSE, 0, 0);
                return;
            }
            seen.found = true;
            const HWND text1 = GetDlgItem(form, Form2::kText1Id);
            seen.text = ::mulan::testing::TextOf(text1);
            SendMessageW(text1, EM_GETSEL, reinterpret_cast<WPARAM>(&seen.selStart),
                         reinterpret_cast<LPARAM>(&seen.selEnd));
            GetClientRect(form, &seen.client);
            GetWindowRect(text1, &seen.text1);
            MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&seen.text1), 2);
            seen.style = GetWindowLongPtrW(form, GWL_STYLE);
            seen.ownerEnabled = IsWindowEnabled(owner.hwnd()) != FALSE;
            if (escape)
                PostMessageW(text1, WM_KEYDOWN, VK_ESCAPE, 0);
            else
                PostMessageW(form, WM_CLOSE, 0, 0);
        };
        const int before = owner.ticks;
        ShowSongLink(owner.hwnd(), Text(address.begin(), address.end()));
        owner.onTick = nullptr;
        EXPECT_GT(owner.ticks, before);
        return seen;
    }

    Owner owner;
};

TEST_F(Form2Test, ShowsTheAddressSelectedInAModalWindowOfItsSize) {
    const std::wstring address = L"http://127.0.0.1:18082/music/1001/1001.mp3";
    const Seen seen = ShowAndClose(address, false);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, address);
    EXPECT_EQ(seen.selStart, 0u);
    EXPECT_EQ(seen.selEnd, address.size());
    EXPECT_EQ(seen.client.right, 265);
    EXPECT_EQ(seen.client.bottom, 34);
    EXPECT_EQ(seen.text1.left, 0);
    EXPECT_EQ(seen.text1.top, 0);
    EXPECT_EQ(seen.text1.right, 265);
    EXPECT_EQ(seen.text1.bottom, 33);
    EXPECT_EQ(seen.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(seen.style & WS_CAPTION, 0);
    // Modal: the owner took no input while Form2 was up, and has it back afterwards.
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    EXPECT_EQ(FindForm2(), nullptr);
}

TEST_F(Form2Test, ShowsEachAddressInTurnAndClosesWithEscape) {
    const std::vector<std::wstring> addresses{L"http://m/music/1002/1002.mp3",
                                              L"http://m/music/1003/1003.wav"};
    for (const auto& address : addresses) {
        const Seen seen = ShowAndClose(address, true);
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(seen.text, address);
        EXPECT_FALSE(seen.ownerEnabled);
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
        EXPECT_EQ(FindForm2(), nullptr);
        EXPECT_LT(seen.ticksAfterClose, 20) << "Escape did not close Form2";
    }
}

TEST_F(Form2Test, IsCreatedHiddenHoldingTheAddress) {
    Form2 form;
    ASSERT_TRUE(form.Create(owner.hwnd(), u"http://m/a.mp3"));
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    EXPECT_EQ(GetWindow(form.hwnd(), GW_OWNER), owner.hwnd());
    EXPECT_EQ(::mulan::testing::TextOf(form.text1()), L"http://m/a.mp3");
}

TEST_F(Form2Test, ShowsNothingForAnEmptyAddress) {
    for (const TextView empty : {u"", u"   "}) {
        // Returns at once: with a window it would wait until the window is closed.
        ShowSongLink(owner.hwnd(), empty);
        EXPECT_EQ(FindForm2(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
    }
    // Spaces around an address do not make it empty.
    const Seen seen = ShowAndClose(L" http://m/x.mp3 ", false);
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.text, L" http://m/x.mp3 ");
}

}  // namespace
}  // namespace mulan::app::ui
