#include "controls/scrollbar/uc_scrollbar_win32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_canvas_win32.h"
#include "support/message_loop_win32.h"

namespace mulan::scrollbar {
namespace {

using testing::DibCanvas;

class EventLog final : public ScrollbarEvents {
  public:
    explicit EventLog(const ucScrollbar& bar) : bar_(bar) {}
    void Change() override { events.push_back("Change " + std::to_string(bar_.Value())); }
    void Scroll() override { events.push_back("Scroll " + std::to_string(bar_.Value())); }
    void Show() override { events.push_back("Show"); }
    void Hide() override { events.push_back("Hide"); }
    std::vector<std::string> Take() { return std::exchange(events, {}); }
    std::vector<std::string> events;

  private:
    const ucScrollbar& bar_;
};

// A plain top-level window to hold the controls.
struct Host {
    Host() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MulanScrollbarTestHost";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 400, 400, nullptr, nullptr,
                               wc.hInstance, nullptr);
    }
    ~Host() { DestroyWindow(hwnd); }
    HWND hwnd;
};

void Mouse(const ucScrollbar& bar, UINT msg, WPARAM keys, int x, int y) {
    SendMessageW(bar.hWnd(), msg, keys, MAKELPARAM(x, y));
}

// Lets timers and other posted messages run until done() or a generous bound has passed.
template <class Done>
bool PumpUntil(Done done) {
    return ::mulan::testing::PumpUntil(done, 5000);
}

class ucScrollbarTest : public ::testing::Test {
  protected:
    void Create(const ScrollbarProperties& p = {}, int w = 18, int h = 300) {
        ASSERT_TRUE(bar.Create(host.hwnd, 10, 10, w, h, p));
        bar.SetEvents(&log);
    }
    Host host;
    ucScrollbar bar;
    EventLog log{bar};
};

TEST_F(ucScrollbarTest, ArrowPressStepsCapturesTheMouseAndRepeatsOnItsTimers) {
    ScrollbarProperties p;
    p.changeDelay = 30;
    p.changeFrequency = 25;
    Create(p);
    Mouse(bar, WM_LBUTTONDOWN, MK_LBUTTON, 9, 290);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Change 1"});
    EXPECT_EQ(GetCapture(), bar.hWnd());
    ASSERT_TRUE(PumpUntil([&] { return bar.Value() >= 4; })) << "auto-repeat through real window timers";
    Mouse(bar, WM_LBUTTONUP, 0, 9, 290);
    EXPECT_EQ(GetCapture(), nullptr);
    const std::int32_t released = bar.Value();
    PumpUntil([] { return false; });  // nothing more once released
    EXPECT_EQ(bar.Value(), released);
}

TEST_F(ucScrollbarTest, DoubleClickCountsAsASecondPress) {
    Create();
    Mouse(bar, WM_LBUTTONDOWN, MK_LBUTTON, 9, 290);
    Mouse(bar, WM_LBUTTONUP, 0, 9, 290);
    Mouse(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, 9, 290);
    Mouse(bar, WM_LBUTTONUP, 0, 9, 290);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Change 1", "Change 2"}));
}

TEST_F(ucScrollbarTest, ThumbDragScrollsAndChangesOnceAtTheEnd) {
    Create();
    Mouse(bar, WM_LBUTTONDOWN, MK_LBUTTON, 9, 30);
    Mouse(bar, WM_MOUSEMOVE, MK_LBUTTON, 9, 90);
    Mouse(bar, WM_MOUSEMOVE, MK_LBUTTON, 9, 150);
    Mouse(bar, WM_LBUTTONUP, 0, 9, 150);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Scroll 25", "Scroll 50", "Change 50"}));
}

TEST_F(ucScrollbarTest, LosingTheMouseEndsTheDrag) {
    Create();
    Mouse(bar, WM_LBUTTONDOWN, MK_LBUTTON, 9, 30);
    Mouse(bar, WM_MOUSEMOVE, MK_LBUTTON, 9, 90);
    SetCapture(host.hwnd);
    EXPECT_EQ(bar.Model().PressedPart(), PartNone);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Scroll 25", "Change 25"}));
    ReleaseCapture();
}

TEST_F(ucScrollbarTest, SizeAndPaintArriveThroughTheHook) {
    Create();
    bar.Move(5, 5, 18, 100);
    EXPECT_EQ(bar.Width(), 18);
    EXPECT_EQ(bar.Height(), 100);
    EXPECT_EQ(bar.Model().Layout().arrow2, (Rect{0, 82, 18, 100}));
    EXPECT_EQ(bar.Model().ThumbSize(), 8);
    bar.SetValue(50);
    EXPECT_EQ(bar.Model().ThumbPosition(), 46);

    ShowWindow(host.hwnd, SW_SHOWNA);
    bar.Refresh();
    RECT pending{};
    EXPECT_TRUE(GetUpdateRect(bar.hWnd(), &pending, FALSE));
    UpdateWindow(bar.hWnd());
    EXPECT_FALSE(GetUpdateRect(bar.hWnd(), &pending, FALSE)) << "WM_PAINT was handled by the hook";
    ShowWindow(host.hwnd, SW_HIDE);
}

TEST_F(ucScrollbarTest, ContainerFacingPropertiesAndEvents) {
    Create();
    EXPECT_TRUE(bar.Visible());
    bar.SetVisible(false);
    bar.SetVisible(false);
    bar.SetVisible(true);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Hide", "Show"}));
    bar.SetMax(40);
    bar.SetValue(30);
    bar.SetMax(20);
    EXPECT_EQ(bar.Value(), 20);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Change 30"});
    bar.SetChangeFrequency(10);
    EXPECT_EQ(bar.ChangeFrequency(), 25);
    bar.SetEnabled(false);
    EXPECT_FALSE(bar.Enabled());
    EXPECT_FALSE(bar.Properties().enabled);
    bar.SetOrientation(1);
    bar.Move(0, 0, 200, 17);
    EXPECT_EQ(bar.Model().Layout().arrow2, (Rect{182, 0, 200, 17}));
}

TEST_F(ucScrollbarTest, StoredPropertiesAreLoadedAsRead) {
    ScrollbarProperties p;
    p.enabled = false;
    p.max = 7;
    p.value = 3;
    p.orientation = OrientationHorizontal;
    Create(p, 120, 17);
    EXPECT_FALSE(IsWindowEnabled(bar.hWnd()));
    EXPECT_EQ(bar.Properties(), p);
    EXPECT_EQ(bar.Model().Layout().thumb.top, 0);
    EXPECT_EQ(bar.Model().ThumbSize(), 84) << "range 7 below LargeChange 10: the thumb fills the track";
}

TEST_F(ucScrollbarTest, DisabledControlPaintsItsDisabledFrames) {
    Create({}, 18, 100);
    DibCanvas enabled(18, 100), disabled(18, 100);
    bar.PaintTo(enabled.dc());
    bar.SetEnabled(false);
    bar.PaintTo(disabled.dc());
    EXPECT_NE(enabled.Pixel(8, 7), disabled.Pixel(8, 7)) << "the arrow glyph greys out";
    EXPECT_EQ(disabled.Pixel(9, 22), RGB(229, 229, 229)) << "pale grey thumb";
    EXPECT_EQ(disabled.Pixel(9, 50), enabled.Pixel(9, 50)) << "track frames are the same";
}

TEST_F(ucScrollbarTest, SmallBarPaintsThePatternedMiddleRow) {
    Create({}, 18, 35);
    DibCanvas canvas(18, 35);
    bar.PaintTo(canvas.dc());
    // The filler row is painted after the buttons, over the last row of arrow 1's 18-pixel paint.
    EXPECT_NE(canvas.Pixel(8, 17), canvas.Pixel(9, 17)) << "a checkerboard row";
}

}  // namespace
}  // namespace mulan::scrollbar

namespace mulan::scrollbar {
namespace {

TEST_F(ucScrollbarTest, AtOneAndAHalfTheDpiTheDesignIsStretchedAndThePointerTakenBack) {
    Create();
    DibCanvas design(18, 300);
    bar.PaintTo(design.dc());
    bar.Move(10, 10, 27, 450);
    bar.SetDpi(144);
    EXPECT_EQ(bar.Model().Layout().arrow2, (Rect{0, 282, 18, 300}));  // the 96-DPI geometry
    DibCanvas shown(27, 450);
    bar.PaintTo(shown.dc());
    for (const int y : {2, 10, 20, 40, 200, 290}) {
        for (const int x : {2, 8, 16})
            EXPECT_EQ(shown.Pixel(x * 3 / 2, y * 3 / 2), design.Pixel(x, y)) << x << "," << y;
    }
    // The same drag as at 96 DPI, in the control's own pixels.
    Mouse(bar, WM_LBUTTONDOWN, MK_LBUTTON, 13, 45);
    Mouse(bar, WM_MOUSEMOVE, MK_LBUTTON, 13, 135);
    Mouse(bar, WM_MOUSEMOVE, MK_LBUTTON, 13, 225);
    Mouse(bar, WM_LBUTTONUP, 0, 13, 225);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"Scroll 25", "Scroll 50", "Change 50"}));
}

}  // namespace
}  // namespace mulan::scrollbar
