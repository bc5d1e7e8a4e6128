#include "window/magnetic_layout.h"

#include <gtest/gtest.h>

#include <map>

namespace mulan::window {
namespace {

class FakeDesktop : public DockingPlatform {
  public:
    std::map<WindowId, Rect> windows;
    std::map<WindowId, bool> zoomed;
    Rect workArea{0, 0, 1920, 1040};
    Point cursor;

    bool IsWindow(WindowId w) override { return windows.count(w) > 0; }
    Rect WindowRect(WindowId w) override { return windows[w]; }
    bool IsZoomed(WindowId w) override { return zoomed[w]; }
    Rect WorkArea() override { return workArea; }
    Point CursorPos() override { return cursor; }
};

constexpr WindowId kMain = 0x100, kResults = 0x200, kThird = 0x300;

class MagneticLayoutTest : public ::testing::Test {
  protected:
    FakeDesktop desktop;
    MagneticLayout layout{desktop};
    std::vector<GluedMove> glued;

    // Drags window w, grabbed at (100, 10) inside it, so that its top-left corner would land at (x, y).
    Rect DragTo(WindowId w, int32_t x, int32_t y) {
        const Rect start = desktop.windows[w];
        desktop.cursor = Point{start.left + 100, start.top + 10};
        layout.BeginMoveSize(w);
        desktop.cursor = Point{x + 100, y + 10};
        return layout.SnapMoving(w, start, glued);
    }
};

TEST_F(MagneticLayoutTest, MovedWindowSnapsToTheWorkAreaWithinSnapWidth) {
    desktop.windows[kMain] = Rect{300, 300, 614, 830};
    ASSERT_TRUE(layout.AddWindow(kMain, 0));
    EXPECT_EQ(DragTo(kMain, 7, 300).left, 0);
    EXPECT_EQ(DragTo(kMain, 10, 300).left, 10);  // 10 is not nearer than 10
    const Rect low = DragTo(kMain, 300, 1033 - 530);
    EXPECT_EQ(low.bottom, 1040);
    EXPECT_EQ(low.bottom - low.top, 530);
}

TEST_F(MagneticLayoutTest, SizingSnapsOnlyTheDraggedEdge) {
    desktop.windows[kMain] = Rect{300, 300, 614, 830};
    layout.AddWindow(kMain, 0);
    layout.BeginMoveSize(kMain);
    EXPECT_EQ(layout.SnapSizing(kMain, Rect{300, 300, 1911, 830}, kRight), (Rect{300, 300, 1920, 830}));
    EXPECT_EQ(layout.SnapSizing(kMain, Rect{300, 300, 1910, 830}, kRight), (Rect{300, 300, 1910, 830}));
    EXPECT_EQ(layout.SnapSizing(kMain, Rect{5, 300, 1915, 830}, kLeft), (Rect{0, 300, 1915, 830}));
    EXPECT_EQ(layout.SnapSizing(kMain, Rect{5, 4, 614, 1035}, kBottomLeft), (Rect{0, 4, 614, 1040}));
}

TEST_F(MagneticLayoutTest, ResultsWindowBelowTheMainWindowIsGluedAndFollowsIt) {
    desktop.windows[kMain] = Rect{300, 100, 614, 600};
    desktop.windows[kResults] = Rect{350, 600, 800, 900};
    layout.AddWindow(kMain, 0);
    layout.AddWindow(kResults, kMain);
    EXPECT_TRUE(layout.IsGlued(kResults));
    const Rect moved = DragTo(kMain, 400, 150);
    EXPECT_EQ(moved, (Rect{400, 150, 714, 650}));
    ASSERT_EQ(glued.size(), 1u);
    EXPECT_EQ(glued[0].window, kResults);
    EXPECT_EQ(glued[0].left, 450);
    EXPECT_EQ(glued[0].top, 650);

    // Dragged away by itself, it snaps to the main window while near, and comes free after.
    EXPECT_EQ(DragTo(kResults, 352, 605).top, 600);
    desktop.windows[kResults] = DragTo(kResults, 700, 700);
    layout.CheckGlueing();
    EXPECT_FALSE(layout.IsGlued(kResults));
}

TEST_F(MagneticLayoutTest, GlueSpreadsThroughTouchingSiblingsButNotAcrossAGap) {
    desktop.windows[kMain] = Rect{0, 0, 300, 500};
    desktop.windows[kResults] = Rect{0, 500, 300, 700};
    desktop.windows[kThird] = Rect{300, 500, 600, 700};  // touches the results window only
    layout.AddWindow(kMain, 0);
    layout.AddWindow(kResults, kMain);
    layout.AddWindow(kThird, kMain);
    EXPECT_TRUE(layout.IsGlued(kResults));
    EXPECT_TRUE(layout.IsGlued(kThird));
    desktop.windows[kThird] = Rect{303, 500, 603, 700};  // a 3-pixel gap
    layout.CheckGlueing();
    EXPECT_FALSE(layout.IsGlued(kThird));
    // While dragged, its edge snaps across the gap.
    EXPECT_EQ(DragTo(kThird, 305, 500).left, 300);
}

TEST_F(MagneticLayoutTest, MaximisedWindowCountsAsTheWorkArea) {
    desktop.windows[kMain] = Rect{-8, -8, 1928, 1048};
    desktop.zoomed[kMain] = true;
    desktop.windows[kResults] = Rect{500, 500, 800, 700};
    layout.AddWindow(kMain, 0);
    layout.AddWindow(kResults, 0);
    EXPECT_EQ(DragTo(kResults, 4, 500).left, 0);
}

TEST_F(MagneticLayoutTest, MovedWindowKeepsTheProposedSizeAndFollowsTheCursor) {
    // Captured while maximised, so its slot holds the whole work area; the move loop proposes the
    // restored size, and that is the size it keeps.
    desktop.windows[kMain] = Rect{100, 100, 414, 630};
    desktop.zoomed[kMain] = true;
    layout.AddWindow(kMain, 0);
    desktop.cursor = Point{200, 5};
    layout.BeginMoveSize(kMain);
    desktop.cursor = Point{600, 300};
    EXPECT_EQ(layout.SnapMoving(kMain, Rect{100, 100, 414, 630}, glued), (Rect{400, 295, 714, 825}));
    EXPECT_TRUE(glued.empty());

    // A window the layout does not know is left where the system put it.
    glued.push_back(GluedMove{kResults, 1, 1});
    EXPECT_EQ(layout.SnapMoving(kThird, Rect{5, 5, 50, 50}, glued), (Rect{5, 5, 50, 50}));
    EXPECT_TRUE(glued.empty());
}

TEST_F(MagneticLayoutTest, RegistrationRefusesDuplicatesAndDeadWindowsAndOrphansChildren) {
    desktop.windows[kMain] = Rect{0, 0, 300, 500};
    desktop.windows[kResults] = Rect{0, 500, 300, 700};
    EXPECT_FALSE(layout.AddWindow(0x999, 0));
    EXPECT_FALSE(layout.AddWindow(kResults, 0x999));
    EXPECT_TRUE(layout.AddWindow(kMain, 0));
    EXPECT_FALSE(layout.AddWindow(kMain, 0));
    EXPECT_TRUE(layout.AddWindow(kResults, kMain));
    EXPECT_EQ(layout.WindowCount(), 2);
    EXPECT_TRUE(layout.RemoveWindow(kMain));
    EXPECT_FALSE(layout.RemoveWindow(kMain));
    EXPECT_EQ(layout.ParentOf(kResults), 0u);
    EXPECT_FALSE(layout.IsGlued(kResults));
}

TEST(RectsTouch, NeedsContactAndASharedEdgeLine) {
    EXPECT_TRUE(RectsTouch(Rect{0, 0, 10, 10}, Rect{10, 5, 20, 15}));
    EXPECT_FALSE(RectsTouch(Rect{0, 0, 10, 10}, Rect{11, 0, 20, 10}));
    EXPECT_FALSE(RectsTouch(Rect{0, 0, 10, 10}, Rect{10, 11, 20, 20}));  // corner apart
    EXPECT_FALSE(RectsTouch(Rect{0, 0, 10, 10}, Rect{2, 2, 8, 8}));      // inside, no shared line
}

}  // namespace
}  // namespace mulan::window
