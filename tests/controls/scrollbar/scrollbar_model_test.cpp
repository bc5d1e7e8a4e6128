#include "controls/scrollbar/scrollbar_model.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace mulan::scrollbar {
namespace {

// Records what the model asks of its window; timers are fired by the test.
class RecordingHost final : public ScrollbarHost {
  public:
    void Invalidate() override { ++invalidations; }
    void StartTimer(std::int32_t id, std::int32_t ms) override { timers[id] = ms; }
    void StopTimer(std::int32_t id) override { timers.erase(id); }
    Point PointerInClient() override { return pointer; }
    bool PointerOverControl() override { return pointerOver; }
    void RaiseChange() override { events.push_back("Change " + std::to_string(model->Value())); }
    void RaiseScroll() override { events.push_back("Scroll " + std::to_string(model->Value())); }

    bool Running(std::int32_t id) const { return timers.count(id) != 0; }

    ScrollbarModel* model = nullptr;
    int invalidations = 0;
    std::map<std::int32_t, std::int32_t> timers;
    std::vector<std::string> events;
    Point pointer;
    bool pointerOver = true;
};

struct Drawn {
    std::string part;
    std::int32_t state;
    Rect rect;
    bool operator==(const Drawn&) const = default;
};

class RecordingPainter final : public ScrollbarPainter {
  public:
    void DrawArrow1(std::int32_t, std::int32_t s, const Rect& r) override {
        drawn.push_back({"arrow1", s, r});
    }
    void DrawArrow2(std::int32_t, std::int32_t s, const Rect& r) override {
        drawn.push_back({"arrow2", s, r});
    }
    void DrawTrack(std::int32_t, std::int32_t s, const Rect& r) override { drawn.push_back({"track", s, r}); }
    void DrawThumb(std::int32_t, std::int32_t s, const Rect& r) override { drawn.push_back({"thumb", s, r}); }
    void FillPattern(const Rect& r) override { drawn.push_back({"filler", 0, r}); }
    std::vector<Drawn> drawn;
};

constexpr std::uint32_t kLeft = kKeyLeftButton;

class ScrollbarModelTest : public ::testing::Test {
  protected:
    void SetUp() override { host.model = &model; }
    void LoadVertical(std::int32_t width, std::int32_t height, ScrollbarProperties p = {}) {
        model.Load(p, width, height);
    }
    std::vector<std::string> TakeEvents() { return std::exchange(host.events, {}); }

    RecordingHost host;
    ScrollbarModel model{host};
};

TEST_F(ScrollbarModelTest, DefaultsOnAVerticalBarEighteenByHundred) {
    LoadVertical(18, 100);
    EXPECT_EQ(model.ThumbSize(), 8);
    EXPECT_EQ(model.ThumbPosition(), 18);
    model.SetValue(50);
    EXPECT_EQ(model.ThumbPosition(), 46);
    EXPECT_EQ(model.Layout().thumb, (Rect{0, 46, 18, 54}));
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Change 50"});
    model.SetValue(50);
    EXPECT_TRUE(TakeEvents().empty()) << "Change only when the stored value changes";
    model.SetValue(500);
    EXPECT_EQ(model.Value(), 100);
    model.SetValue(-5);
    EXPECT_EQ(model.Value(), 0);
}

TEST_F(ScrollbarModelTest, SettersClampInsteadOfRejecting) {
    LoadVertical(18, 100);
    model.SetValue(80);
    TakeEvents();
    model.SetMax(50);
    EXPECT_EQ(model.Value(), 50) << "lowered with no event";
    EXPECT_TRUE(TakeEvents().empty());
    model.SetMax(-10);
    EXPECT_EQ(model.Max(), 0);
    EXPECT_EQ(model.Value(), 0);
    model.SetMax(100);
    model.SetMin(200);
    EXPECT_EQ(model.Min(), 100);
    EXPECT_EQ(model.Value(), 100);
    EXPECT_TRUE(TakeEvents().empty());
    model.SetSmallChange(0);
    model.SetLargeChange(-3);
    model.SetChangeDelay(-1);
    model.SetChangeFrequency(10);
    model.SetOrientation(7);
    EXPECT_EQ(model.SmallChange(), 1);
    EXPECT_EQ(model.LargeChange(), 1);
    EXPECT_EQ(model.ChangeDelay(), 0);
    EXPECT_EQ(model.ChangeFrequency(), 25);
    EXPECT_EQ(model.Orientation(), 1);
    model.SetOrientation(-2);
    EXPECT_EQ(model.Orientation(), 0);
}

TEST_F(ScrollbarModelTest, LoadingStoresValuesAsReadWithoutTheSetterRules) {
    ScrollbarProperties p;
    p.changeFrequency = 10;
    p.smallChange = 0;
    p.value = 150;
    LoadVertical(18, 100, p);
    EXPECT_EQ(model.ChangeFrequency(), 10);
    EXPECT_EQ(model.SmallChange(), 0);
    EXPECT_EQ(model.Value(), 150);
    EXPECT_EQ(model.Properties(), p);
    model.OnMouseDown(kLeft, {9, 90});
    EXPECT_EQ(model.Value(), 100) << "a step still ends within Min and Max";
}

TEST_F(ScrollbarModelTest, ShowButtonsFalseLetsTheTrackRunTheWholeLength) {
    ScrollbarProperties p;
    p.showButtons = false;
    LoadVertical(18, 110, p);
    EXPECT_EQ(model.Layout().arrow1.Height(), 0);
    EXPECT_EQ(model.ThumbSize(), 10);
    model.SetValue(100);
    EXPECT_EQ(model.Layout().thumb, (Rect{0, 100, 18, 110}));
    model.SetShowButtons(true);
    EXPECT_EQ(model.Layout().arrow2, (Rect{0, 92, 18, 110}));
    EXPECT_EQ(model.Layout().thumb.bottom, 92);
}

TEST_F(ScrollbarModelTest, PaintHandsOverThePartsInOrderAndTheFiller) {
    LoadVertical(18, 100);
    RecordingPainter painter;
    model.Paint(painter);
    ASSERT_EQ(painter.drawn.size(), 5u);
    EXPECT_EQ(painter.drawn[0].part, "arrow1");
    EXPECT_EQ(painter.drawn[1].part, "arrow2");
    EXPECT_EQ(painter.drawn[2], (Drawn{"track", 0, {0, 18, 18, 18}}));
    EXPECT_EQ(painter.drawn[3], (Drawn{"track", 0, {0, 26, 18, 82}}));
    EXPECT_EQ(painter.drawn[4], (Drawn{"thumb", 0, {0, 18, 18, 26}}));

    model.Resize(18, 43);
    RecordingPainter small;
    model.Paint(small);
    ASSERT_EQ(small.drawn.size(), 3u);
    EXPECT_EQ(small.drawn[2], (Drawn{"filler", 0, {0, 18, 18, 25}}));
}

TEST_F(ScrollbarModelTest, DisabledControlDrawsButtonsFourThumbThreeTracksZero) {
    LoadVertical(18, 100);
    model.OnMouseDown(kLeft, {9, 90});  // a pressed arrow does not show through
    model.SetEnabled(false);
    RecordingPainter painter;
    model.Paint(painter);
    ASSERT_EQ(painter.drawn.size(), 5u);
    EXPECT_EQ(painter.drawn[0].state, 4);
    EXPECT_EQ(painter.drawn[1].state, 4);
    EXPECT_EQ(painter.drawn[2].state, 0);
    EXPECT_EQ(painter.drawn[3].state, 0);
    EXPECT_EQ(painter.drawn[4].state, 3);
}

TEST_F(ScrollbarModelTest, HoldingAnArrowRepeatsAfterTheDelayUntilTheLimit) {
    ScrollbarProperties p;
    p.max = 5;
    LoadVertical(18, 100, p);
    model.OnMouseDown(kLeft, {9, 90});
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Change 1"}) << "one step at the press";
    EXPECT_EQ(host.timers.at(TimerDelay), 500);
    EXPECT_EQ(model.States().arrow2, 3);
    model.OnTimer(TimerDelay);
    EXPECT_FALSE(host.Running(TimerDelay));
    EXPECT_EQ(host.timers.at(TimerRepeat), 50);
    for (int i = 0; i < 4; ++i) model.OnTimer(TimerRepeat);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Change 2", "Change 3", "Change 4", "Change 5"}));
    EXPECT_TRUE(host.Running(TimerRepeat));
    model.OnTimer(TimerRepeat);
    EXPECT_FALSE(host.Running(TimerRepeat)) << "repeating stops for good at the limit";
    EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ScrollbarModelTest, ArrowRepeatPausesWhileThePointerIsOffTheArrow) {
    LoadVertical(18, 100);
    model.OnMouseDown(kLeft, {9, 90});
    model.OnTimer(TimerDelay);
    const int before = host.invalidations;
    model.OnMouseMove(kLeft, {9, 50});
    EXPECT_EQ(model.States().arrow2, 0) << "looks pressed only while the pointer is on it";
    EXPECT_GT(host.invalidations, before);
    TakeEvents();
    model.OnTimer(TimerRepeat);
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_TRUE(host.Running(TimerRepeat));
    model.OnMouseMove(kLeft, {9, 85});
    model.OnTimer(TimerRepeat);
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Change 2"});
    model.OnRelease();
    EXPECT_FALSE(host.Running(TimerRepeat));
    EXPECT_EQ(model.PressedPart(), PartNone);
}

TEST_F(ScrollbarModelTest, PressOnArrowAtTheLimitChangesNothingButRepaints) {
    LoadVertical(18, 100);
    const int before = host.invalidations;
    model.OnMouseDown(kLeft, {9, 3});
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_GT(host.invalidations, before);
    model.OnMouseDown(0, {9, 90});
    EXPECT_EQ(model.Value(), 0) << "a press with no keys is ignored";
}

TEST_F(ScrollbarModelTest, TrackPagingStopsAtThePointerAndResumesWhenItMoves) {
    LoadVertical(18, 300);  // L = 264, thumb 24, position 18 + 2.4 * value
    ASSERT_EQ(model.ThumbSize(), 24);
    model.OnMouseDown(kLeft, {9, 200});
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Change 10"});
    model.OnTimer(TimerDelay);
    for (int i = 0; i < 10; ++i) model.OnTimer(TimerRepeat);
    EXPECT_EQ(model.Value(), 70) << "the thumb (186..210) has reached y = 200";
    EXPECT_EQ(model.States().track2, 0);
    EXPECT_TRUE(host.Running(TimerRepeat)) << "the timer keeps running";
    model.OnMouseMove(kLeft, {9, 250});
    for (int i = 0; i < 10; ++i) model.OnTimer(TimerRepeat);
    EXPECT_EQ(model.Value(), 90);
    model.OnRelease();

    model.OnMouseDown(kLeft, {9, 100});
    model.OnTimer(TimerDelay);
    for (int i = 0; i < 10; ++i) model.OnTimer(TimerRepeat);
    EXPECT_EQ(model.Value(), 30) << "paging up stops once the thumb's top is at or above the pointer";
}

TEST_F(ScrollbarModelTest, DragFollowsThePointerRaisesScrollAndChangeOnceAtTheEnd) {
    LoadVertical(18, 300);
    model.OnMouseDown(kLeft, {9, 30});  // grab offset 18 - 30
    EXPECT_EQ(model.States().thumb, 2);
    EXPECT_FALSE(host.Running(TimerDelay)) << "no timer for the thumb";
    model.OnMouseMove(kLeft, {9, 90});
    EXPECT_EQ(model.ThumbPosition(), 78);
    EXPECT_EQ(model.Value(), 25);
    model.OnMouseMove(kLeft, {9, 150});
    model.OnMouseMove(kLeft, {9, 1000});  // beyond the limit along the axis: snaps back
    EXPECT_EQ(model.Value(), 0);
    EXPECT_EQ(model.ThumbPosition(), 18);
    model.OnMouseMove(kLeft, {9, 320});  // back inside the limit (300 + 25): resumes, held at the end
    EXPECT_EQ(model.ThumbPosition(), 258);
    EXPECT_EQ(model.Value(), 100);
    model.OnMouseMove(kLeft, {200, 114});  // sideways within 250
    EXPECT_EQ(model.Value(), 35);
    EXPECT_EQ(TakeEvents(),
              (std::vector<std::string>{"Scroll 25", "Scroll 50", "Scroll 0", "Scroll 100", "Scroll 35"}));
    model.OnRelease();
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Change 35"});
    EXPECT_EQ(model.ThumbPosition(), 102);
}

TEST_F(ScrollbarModelTest, DragBeyondTheSideLimitSnapsBackAndEndsWithoutChange) {
    LoadVertical(18, 300);
    model.OnMouseDown(kLeft, {9, 30});
    model.OnMouseMove(kLeft, {9, 130});
    model.OnMouseMove(kLeft, {9 + 260, 130});
    EXPECT_EQ(model.Value(), 0);
    EXPECT_EQ(model.ThumbPosition(), 18);
    model.OnMouseMove(kLeft, {-251, 130});
    model.OnRelease();
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Scroll 42", "Scroll 0"}));
}

TEST_F(ScrollbarModelTest, DragOfAThumbThatFillsTheTrackSetsMin) {
    ScrollbarProperties p;
    p.max = 5;
    p.value = 3;
    LoadVertical(18, 100, p);
    EXPECT_EQ(model.ThumbSize(), 64);
    model.OnMouseDown(kLeft, {9, 40});
    model.OnMouseMove(kLeft, {9, 60});
    EXPECT_EQ(model.ThumbPosition(), 18) << "the thumb cannot move";
    EXPECT_EQ(model.Value(), 0);
    EXPECT_TRUE(TakeEvents().empty()) << "no Scroll without a thumb move";
    model.OnRelease();
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Change 0"});
}

TEST_F(ScrollbarModelTest, HoverMarksTheControlThenTheHotPartAndTimersClearThem) {
    LoadVertical(18, 100);
    model.OnMouseMove(0, {9, 5});
    EXPECT_TRUE(model.Hovered());
    EXPECT_EQ(model.States().arrow1, 1) << "the entering move marks only the control";
    EXPECT_EQ(host.timers.at(TimerHover), kHoverPollMs);
    EXPECT_FALSE(host.Running(TimerHotPart));
    model.OnMouseMove(0, {9, 6});
    EXPECT_EQ(model.States().arrow1, 2);
    EXPECT_EQ(model.States().arrow2, 1);
    EXPECT_TRUE(host.Running(TimerHotPart));
    model.OnMouseMove(0, {9, 20});  // the thumb
    EXPECT_EQ(model.States().arrow1, 1);
    EXPECT_EQ(model.States().thumb, 1);

    host.pointer = {9, 21};
    model.OnTimer(TimerHotPart);
    EXPECT_EQ(model.States().thumb, 1) << "still on the hot part";
    host.pointer = {9, 60};
    model.OnTimer(TimerHotPart);
    EXPECT_EQ(model.States().thumb, 0);
    EXPECT_FALSE(host.Running(TimerHotPart));

    model.OnTimer(TimerHover);
    EXPECT_TRUE(model.Hovered()) << "the pointer is still over the control";
    host.pointerOver = false;
    model.OnMouseDown(kLeft, {9, 20});
    model.OnTimer(TimerHover);
    EXPECT_TRUE(model.Hovered()) << "not while a part is pressed";
    model.OnRelease();
    model.OnTimer(TimerHover);
    EXPECT_FALSE(model.Hovered());
    EXPECT_FALSE(host.Running(TimerHover));
}

TEST_F(ScrollbarModelTest, PressClearsTheHotFlagOfThePressedPart) {
    LoadVertical(18, 100);
    model.OnMouseMove(0, {9, 90});
    model.OnMouseMove(0, {9, 91});
    EXPECT_EQ(model.States().arrow2, 2);
    model.OnMouseDown(kLeft, {9, 91});
    EXPECT_EQ(model.States().arrow2, 3);
}

TEST_F(ScrollbarModelTest, HorizontalBarUsesXAlongTheAxis) {
    ScrollbarProperties p;
    p.orientation = OrientationHorizontal;
    model.Load(p, 300, 17);
    EXPECT_EQ(model.Layout().thumb, (Rect{18, 0, 42, 17}));
    model.OnMouseDown(kLeft, {200, 8});
    model.OnTimer(TimerDelay);
    for (int i = 0; i < 10; ++i) model.OnTimer(TimerRepeat);
    EXPECT_EQ(model.Value(), 70);
    model.OnRelease();
    model.OnMouseDown(kLeft, {180, 8});  // on the thumb (186..210)? no: track 1
    EXPECT_EQ(model.Value(), 60);
}

TEST_F(ScrollbarModelTest, DoubleClickCountsAsASecondPress) {
    LoadVertical(18, 100);
    model.OnMouseDown(kLeft, {9, 90});
    model.OnRelease();
    model.OnMouseDown(kLeft, {9, 90});  // what the control does with a double click
    model.OnRelease();
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Change 1", "Change 2"}));
}

}  // namespace
}  // namespace mulan::scrollbar
