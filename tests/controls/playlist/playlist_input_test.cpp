#include "controls/playlist/playlist_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/canvas.h"
#include "support/playlist_fakes.h"

namespace mulan::playlist {
namespace {

// Everything the control tells its host, and everything it asks of its view, in one log.
class Log : public PlaylistView, public PlaylistEvents {
  public:
    std::vector<std::string> lines;
    int16_t rewriteNewTo = -2;

    void DrawRow(int16_t i) override { lines.push_back("DrawRow " + std::to_string(i)); }
    void DrawRows() override { lines.push_back("DrawRows"); }
    void Refresh() override { lines.push_back("Refresh"); }
    void UpdateScrollRange() override {
        if (input) input->UpdateScrollRange();
    }
    void SetScrollValue(int32_t) override {}
    void EraseControl() override {}
    int32_t TextWidth(TextView text) override { return 8 * static_cast<int32_t>(text.size()); }
    void PropertyChanged(std::u16string_view) override {}

    void MouseDown(int16_t b, int16_t, float, float y) override { Mouse("MouseDown", b, y); }
    void DBClick(int16_t b, int16_t, float, float y) override { Mouse("DBClick", b, y); }
    void Click(int16_t b, int16_t, float, float y) override { Mouse("Click", b, y); }
    void ListIndexChanged(int16_t& o, int16_t& n, int16_t& r) override { Index("ListIndexChanged", o, n, r); }
    void PlayIndexChanged(int16_t& o, int16_t& n, int16_t& r) override { Index("PlayIndexChanged", o, n, r); }
    void Scroll() override { lines.push_back("Scroll"); }
    void Resize() override { lines.push_back("Resize"); }

    PlaylistInput* input = nullptr;

  private:
    void Mouse(const char* name, int16_t b, float y) {
        lines.push_back(std::string(name) + " " + std::to_string(b) + " " +
                        std::to_string(static_cast<int>(y)));
    }
    void Index(const char* name, int16_t& o, int16_t& n, int16_t& r) {
        lines.push_back(std::string(name) + " " + std::to_string(o) + "," + std::to_string(n) + "," +
                        std::to_string(r));
        if (rewriteNewTo != -2) n = rewriteNewTo;
    }
};

// Clamps like the real scrollbar and raises Change when its value moves.
class FakeBar : public PlaylistScrollbar {
  public:
    bool visible = false;
    int32_t value = 0, max = 0, width = 17;
    Rect placed;
    PlaylistInput* input = nullptr;

    bool Visible() const override { return visible; }
    int32_t Value() const override { return value; }
    int32_t Max() const override { return max; }
    int32_t Width() const override { return width; }
    void SetVisible(bool v) override { visible = v; }
    void SetValue(int32_t v) override {
        v = std::clamp(v, 0, max);
        if (v == value) return;
        value = v;
        if (input) input->BarChange();
    }
    void SetMax(int32_t m) override {
        max = std::max(0, m);
        if (value > max) SetValue(max);
    }
    void Move(int32_t l, int32_t t, int32_t w, int32_t h) override { placed = Rect{l, t, l + w, t + h}; }
};

class PlaylistInputTest : public ::testing::Test {
  protected:
    Log log;
    mulan::testing::FakeFiles files;
    FakeBar bar;
    PlaylistModel model{log, log, files};
    PlaylistInput input{model, log, log, bar};

    void SetUp() override {
        log.input = &input;
        bar.input = &input;
        input.Resize(313, 361);  // list height 359 inside a one-pixel border
        log.lines.clear();
    }
    void Add(int n) {
        for (int i = 0; i < n; ++i) model.AddItem(u"song");
        log.lines.clear();
    }
    static float RowY(int row) { return 1 + 18.0f * static_cast<float>(row) + 5; }
};

TEST_F(PlaylistInputTest, PressSelectsARowOnceAndRaisesMouseDownAfter) {
    Add(8);
    model.StoreListIndex(5);
    input.MouseDown(1, 0, 10, RowY(3));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"ListIndexChanged 5,3,0", "DrawRow 5", "DrawRow 3",
                                                   "MouseDown 1 60"}));
    EXPECT_EQ(model.ListIndex(), 3);
    log.lines.clear();
    input.MouseDown(1, 0, 10, RowY(3));
    EXPECT_TRUE(log.lines.empty());
    // Right presses select too; middle presses never do.
    input.MouseDown(2, 0, 10, RowY(4));
    EXPECT_EQ(model.ListIndex(), 4);
    log.lines.clear();
    input.MouseDown(4, 0, 10, RowY(6));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"MouseDown 4 114"}));
    EXPECT_EQ(model.ListIndex(), 4);
}

TEST_F(PlaylistInputTest, PressesOutsideTheItems) {
    input.MouseDown(1, 0, 10, RowY(0));
    EXPECT_EQ(log.lines, (std::vector<std::string>{"MouseDown 1 6"}));  // empty list: MouseDown only
    Add(3);
    input.MouseDown(1, 0, 10, RowY(3));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(model.ListIndex(), -1);
}

TEST_F(PlaylistInputTest, HandlerMayRedirectTheSelection) {
    Add(8);
    log.rewriteNewTo = 7;
    input.MouseDown(1, 0, 10, RowY(2));
    EXPECT_EQ(model.ListIndex(), 7);
    EXPECT_EQ(log.lines.back(), "MouseDown 1 42");
}

TEST_F(PlaylistInputTest, LeftDoubleClickMarksThePlayingRowThenRaisesDBClick) {
    Add(5);
    input.MouseDown(1, 0, 10, RowY(2));
    log.lines.clear();
    input.DoubleClick();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"PlayIndexChanged -1,2,0", "DrawRow -1", "DrawRow 2",
                                                   "DBClick 1 42"}));
    EXPECT_EQ(model.PlayIndex(), 2);
    log.lines.clear();
    input.DoubleClick();  // on the row already playing
    EXPECT_TRUE(log.lines.empty());
    input.MouseDown(2, 0, 10, RowY(4));
    log.lines.clear();
    input.DoubleClick();  // right button: the host hears of it, the playing row stays
    EXPECT_EQ(log.lines, (std::vector<std::string>{"DBClick 2 78"}));
    EXPECT_EQ(model.PlayIndex(), 2);
}

TEST_F(PlaylistInputTest, WheelMovesOneFifthOfAPagePlusOneClampedToTheRange) {
    Add(40);
    ASSERT_TRUE(bar.visible);
    EXPECT_EQ(bar.max, 40 - 19);  // 359 / 18 rows fit
    input.Wheel(120 << 16);       // away from the user, at the top
    EXPECT_TRUE(log.lines.empty());
    input.Wheel(-(120 << 16));  // towards the user
    EXPECT_EQ(bar.value, 4);
    EXPECT_EQ(model.FirstIndex(), 4);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"DrawRows", "DrawRows", "Scroll"}));
    for (int i = 0; i < 10; ++i) input.Wheel(-(120 << 16));
    EXPECT_EQ(bar.value, 21);
    EXPECT_EQ(model.FirstIndex(), 21);
    log.lines.clear();
    input.Wheel(-(120 << 16));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(PlaylistInputTest, WheelDoesNothingWhileEverythingFits) {
    Add(10);
    EXPECT_FALSE(bar.visible);
    input.Wheel(-(120 << 16));
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(PlaylistInputTest, RemovingWhileScrolledToTheEndKeepsBarAndTopRowInStep) {
    Add(25);
    bar.SetValue(bar.max);
    EXPECT_EQ(model.FirstIndex(), 6);
    model.RemoveItem(0);
    EXPECT_EQ(bar.max, 5);
    EXPECT_EQ(model.FirstIndex(), 5);
    for (int i = 0; i < 5; ++i) model.RemoveItem(0);
    EXPECT_FALSE(bar.visible);
    EXPECT_EQ(model.FirstIndex(), 0);
    EXPECT_EQ(bar.value, 0);
}

TEST_F(PlaylistInputTest, ShrinkingRepaintsFirstGrowingOnlyRaisesResize) {
    input.Resize(320, 400);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Resize"}));
    log.lines.clear();
    input.Resize(320, 300);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"Refresh", "Resize"}));
}

TEST_F(PlaylistInputTest, ScrollbarSitsInsideTheBorder) {
    model.SetBorderWidth(2);
    input.Resize(313, 361);
    EXPECT_EQ(bar.placed, (Rect{313 - 17 - 2, 2, 313 - 2, 361 - 2}));
    model.SetBorder(false);
    input.PlaceBar();
    EXPECT_EQ(bar.placed, (Rect{313 - 17, 0, 313, 361}));
}

}  // namespace
}  // namespace mulan::playlist

namespace mulan::playlist {
namespace {

TEST_F(PlaylistInputTest, KeysMoveTheSelectionThroughTheSetterAndKeepItInFullView) {
    Add(40);  // 19 whole rows of 18 in 359
    input.KeyPressed(KeyArrowDown, 0);
    EXPECT_EQ(model.ListIndex(), 0);
    EXPECT_EQ(log.lines.front(), "ListIndexChanged -1,0,1");
    input.KeyPressed(KeyArrowDown, 0);
    EXPECT_EQ(model.ListIndex(), 1);
    input.KeyPressed(KeyEnd, 0);
    EXPECT_EQ(model.ListIndex(), 39);
    EXPECT_EQ(model.FirstIndex(), 21);  // the last row at the bottom, whole
    input.KeyPressed(KeyPageUp, 0);
    EXPECT_EQ(model.ListIndex(), 20);
    EXPECT_EQ(model.FirstIndex(), 20);  // scrolled only as far as needed
    input.KeyPressed(KeyPageDown, 0);
    EXPECT_EQ(model.ListIndex(), 39);
    input.KeyPressed(KeyPageDown, 0);  // at the end it stays
    EXPECT_EQ(model.ListIndex(), 39);
    input.KeyPressed(KeyHome, 0);
    EXPECT_EQ(model.ListIndex(), 0);
    EXPECT_EQ(model.FirstIndex(), 0);
    EXPECT_EQ(bar.value, 0);
    log.lines.clear();
    input.KeyPressed(KeyArrowUp, 0);  // at the top nothing changes
    EXPECT_TRUE(log.lines.empty());
    // A selection left past the end by a removal steps back into the list.
    model.StoreListIndex(45);
    input.KeyPressed(KeyArrowDown, 0);
    EXPECT_EQ(model.ListIndex(), 39);
}

TEST_F(PlaylistInputTest, TheHostSeesEveryKeyFirstAndMayUseItUp) {
    struct KeyHost : Log {
        std::vector<int> keys;
        void KeyDown(int16_t& code, int16_t) override {
            keys.push_back(code);
            if (code == KeyHome) code = 0;
        }
    } host;
    PlaylistModel m{host, host, files};
    PlaylistInput in{m, host, host, bar};
    in.Resize(313, 361);
    for (int i = 0; i < 3; ++i) m.AddItem(u"song");
    in.KeyPressed(13, 0);
    in.KeyPressed(KeyHome, 0);
    EXPECT_EQ(m.ListIndex(), -1);
    in.KeyPressed(KeyEnd, 0);
    EXPECT_EQ(m.ListIndex(), 2);
    EXPECT_EQ(host.keys, (std::vector<int>{13, KeyHome, KeyEnd}));
}

}  // namespace
}  // namespace mulan::playlist
