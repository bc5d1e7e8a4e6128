#include "window/c_magnetic_wnd_win32.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <ostream>
#include <vector>

#include "window/window_hook_win32.h"
#include "support/message_loop_win32.h"

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace mulan::window {
namespace {

// A real top-level window that records the move and size messages its own procedure receives,
// and the position changes it is asked for.
class TestWindow {
  public:
    TestWindow(int x, int y, int width, int height) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MulanMagneticTestWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"magnetic", WS_OVERLAPPEDWINDOW, x, y, width, height,
                               nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~TestWindow() {
        if (hwnd) DestroyWindow(hwnd);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    RECT Rect() const {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }
    void MoveTo(int x, int y) const { SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER); }
    int Count(UINT msg) const {
        int n = 0;
        for (UINT m : received)
            if (m == msg) ++n;
        return n;
    }

    HWND hwnd = nullptr;
    std::vector<UINT> received;
    std::vector<UINT> positionFlags;  // of every WM_WINDOWPOSCHANGING

  private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self) {
            self->received.push_back(msg);
            if (msg == WM_WINDOWPOSCHANGING)
                self->positionFlags.push_back(reinterpret_cast<WINDOWPOS*>(lp)->flags);
            if (msg == WM_MOVING) return 7;  // tells the window's own answer from the manager's
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
};

RECT Offset(RECT r, int dx, int dy) {
    OffsetRect(&r, dx, dy);
    return r;
}

RECT WorkArea() {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

// The cursor at (x, y) as GetCursorPos reports it. Under Wine the pointer warp reaches the display
// asynchronously, and for a short while after a warp GetCursorPos answers from its own record
// rather than from the display: so the place is checked once that while has passed.
void PlaceCursor(int x, int y) {
    SetCursorPos(x, y);
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(120);
        ::mulan::testing::DispatchPending();
        POINT p{};
        GetCursorPos(&p);
        if (p.x == x && p.y == y) return;
        SetCursorPos(x, y);
    }
    ADD_FAILURE() << "the cursor did not reach " << x << ", " << y;
}

// One step of a move loop as the system runs it: the move starts with the cursor at `from`, the
// cursor goes to `to`, and the window proposes its rectangle moved by the same amount.
LRESULT MoveStep(const TestWindow& w, POINT from, POINT to, RECT& proposal) {
    PlaceCursor(from.x, from.y);
    SendMessageW(w.hwnd, WM_ENTERSIZEMOVE, 0, 0);
    PlaceCursor(to.x, to.y);
    proposal = Offset(w.Rect(), to.x - from.x, to.y - from.y);
    return SendMessageW(w.hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&proposal));
}

class MagneticWndWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
        workArea = WorkArea();
        ASSERT_GT(workArea.right - workArea.left, 600) << "the tests need a desktop";
    }
    RECT workArea{};
};

TEST_F(MagneticWndWin32, RegistrationHooksEachWindowForTheMoveAndSizeLoop) {
    TestWindow main(200, 100, 330, 530), results(250, 630, 400, 200);
    cMagneticWnd docking;
    EXPECT_EQ(docking.SnapWidth(), 10);
    EXPECT_TRUE(docking.AddWindow(main.hwnd, nullptr));
    EXPECT_FALSE(docking.AddWindow(main.hwnd, nullptr)) << "a duplicate";
    HWND dead = nullptr;
    {
        TestWindow gone(0, 0, 50, 50);
        dead = gone.hwnd;
    }
    EXPECT_FALSE(docking.AddWindow(dead, nullptr));
    EXPECT_FALSE(docking.AddWindow(results.hwnd, dead)) << "a dead parent";
    EXPECT_TRUE(docking.AddWindow(results.hwnd, main.hwnd));
    EXPECT_EQ(docking.WindowCount(), 2);
    EXPECT_TRUE(docking.IsGlued(results.hwnd)) << "registered exactly below its parent";

    const auto& records = docking.Hook().Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].window, ToHookHandle(main.hwnd));
    const std::vector<HookMessage> after{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE, WM_SYSCOMMAND, WM_COMMAND};
    const std::vector<HookMessage> before{WM_SIZING, WM_MOVING};
    for (const HookRecord& record : records) {
        EXPECT_EQ(record.hook->after.slots, after);
        EXPECT_EQ(record.hook->before.slots, before);
    }

    EXPECT_TRUE(docking.RemoveWindow(main.hwnd));
    EXPECT_FALSE(docking.RemoveWindow(main.hwnd));
    EXPECT_EQ(docking.ParentOf(results.hwnd), nullptr) << "the child lost its parent";
    EXPECT_FALSE(docking.IsGlued(results.hwnd));
    EXPECT_EQ(records[0].window, 0u) << "the main window's hook came off";
    RECT r = main.Rect();
    EXPECT_EQ(SendMessageW(main.hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r)), 7)
        << "the window answers its own WM_MOVING again";
}

TEST_F(MagneticWndWin32, MovingSnapsToTheWorkAreaFromTheCursor) {
    TestWindow main(workArea.left + 200, workArea.top + 100, 330, 530);
    cMagneticWnd docking;
    docking.AddWindow(main.hwnd, nullptr);
    const RECT start = main.Rect();
    const POINT grab{start.left + 100, start.top + 10};

    RECT r{};
    EXPECT_EQ(MoveStep(main, grab, POINT{grab.x - 193, grab.y + 40}, r), 1);
    EXPECT_EQ(r, Offset(start, workArea.left - start.left, 40))
        << "left edge 7 from the work area snaps to it";
    EXPECT_EQ(main.Count(WM_MOVING), 0) << "the manager handled it";
    EXPECT_EQ(main.Count(WM_ENTERSIZEMOVE), 1) << "a notification, passed on";

    MoveStep(main, grab, POINT{grab.x - 190, grab.y + 40}, r);
    EXPECT_EQ(r.left, workArea.left + 10) << "10 away is not near";

    const int down = workArea.bottom - 7 - start.bottom;
    MoveStep(main, grab, POINT{grab.x + 50, grab.y + down}, r);
    EXPECT_EQ(r, Offset(start, 50, workArea.bottom - start.bottom)) << "bottom edge snaps down";

    // The system's proposal gives the size only; the position is the cursor's.
    PlaceCursor(grab.x, grab.y);
    SendMessageW(main.hwnd, WM_ENTERSIZEMOVE, 0, 0);
    PlaceCursor(grab.x + 30, grab.y + 20);
    r = Offset(start, 3, 3);
    SendMessageW(main.hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r, Offset(start, 30, 20));

    EXPECT_EQ(SendMessageW(main.hwnd, WM_MOVING, 0, 0), 7) << "no rectangle: left to the window";
}

TEST_F(MagneticWndWin32, SizingSnapsTheDraggedEdgeOnly) {
    TestWindow main(workArea.left + 200, workArea.top + 100, 330, 530);
    cMagneticWnd docking;
    docking.AddWindow(main.hwnd, nullptr);
    SendMessageW(main.hwnd, WM_ENTERSIZEMOVE, 0, 0);
    const RECT start = main.Rect();

    RECT r{start.left, start.top, workArea.right - 9, start.bottom};
    EXPECT_EQ(SendMessageW(main.hwnd, WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&r)), 1);
    EXPECT_EQ(r.right, workArea.right);
    r = RECT{workArea.left + 5, start.top, workArea.right - 5, start.bottom};
    SendMessageW(main.hwnd, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r, (RECT{workArea.left, start.top, workArea.right - 5, start.bottom}));
    EXPECT_EQ(main.Count(WM_SIZING), 0);
}

TEST_F(MagneticWndWin32, GluedWindowFollowsItsParentInOneDeferredBatch) {
    TestWindow main(workArea.left + 200, workArea.top + 100, 330, 530);
    const RECT mainStart = main.Rect();
    TestWindow results(mainStart.left + 40, mainStart.bottom, 400, 150);
    ShowWindow(main.hwnd, SW_SHOWNOACTIVATE);
    ShowWindow(results.hwnd, SW_SHOWNOACTIVATE);
    cMagneticWnd docking;
    docking.AddWindow(main.hwnd, nullptr);
    docking.AddWindow(results.hwnd, main.hwnd);
    ASSERT_TRUE(docking.IsGlued(results.hwnd));
    const RECT resultsStart = results.Rect();

    results.positionFlags.clear();
    const POINT grab{mainStart.left + 100, mainStart.top + 10};
    RECT r{};
    MoveStep(main, grab, POINT{grab.x + 60, grab.y + 35}, r);
    EXPECT_EQ(r, Offset(mainStart, 60, 35));
    EXPECT_EQ(results.Rect(), Offset(resultsStart, 60, 35)) << "moved before WM_MOVING returned";
    ASSERT_FALSE(results.positionFlags.empty());
    const UINT flags = results.positionFlags.front();
    EXPECT_EQ(flags & (SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE),
              UINT{SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE});
    EXPECT_EQ(main.Rect(), mainStart) << "the moving window itself is left to the system";

    // The move ends where the system put it; the glue still holds.
    SetWindowPos(main.hwnd, nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(main.hwnd, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(docking.IsGlued(results.hwnd));

    // Pulled away by itself it snaps to the main window's edge while near, and comes free after.
    const RECT rs = results.Rect();
    const POINT grabResults{rs.left + 50, rs.top + 5};
    RECT rr{};
    MoveStep(results, grabResults, POINT{grabResults.x, grabResults.y + 6}, rr);
    EXPECT_EQ(rr.top, r.bottom) << "snapped back to the main window's bottom";
    EXPECT_EQ(main.Rect(), r) << "a child's move takes no one along";
    MoveStep(results, grabResults, POINT{grabResults.x + 20, grabResults.y + 60}, rr);
    SetWindowPos(results.hwnd, nullptr, rr.left, rr.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(results.hwnd, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_FALSE(docking.IsGlued(results.hwnd));
}

TEST_F(MagneticWndWin32, GlueIsRecomputedOnCommandsAndOnlyOnExactRestoreOrMinimise) {
    TestWindow main(workArea.left + 200, workArea.top + 100, 330, 530);
    const RECT mainStart = main.Rect();
    TestWindow results(mainStart.left, mainStart.bottom, 400, 150);
    cMagneticWnd docking;
    docking.AddWindow(main.hwnd, nullptr);
    docking.AddWindow(results.hwnd, main.hwnd);
    ASSERT_TRUE(docking.IsGlued(results.hwnd));

    results.MoveTo(mainStart.left, mainStart.bottom + 50);  // no move loop: nothing tells the manager
    EXPECT_TRUE(docking.IsGlued(results.hwnd));
    SendMessageW(results.hwnd, WM_SYSCOMMAND, 0xF122, 0);
    EXPECT_TRUE(docking.IsGlued(results.hwnd)) << "restore with extra bits is not recognised";
    SendMessageW(results.hwnd, WM_SYSCOMMAND, 0xF120, 0);
    EXPECT_FALSE(docking.IsGlued(results.hwnd));

    results.MoveTo(mainStart.left, mainStart.bottom);
    EXPECT_FALSE(docking.IsGlued(results.hwnd));
    SendMessageW(main.hwnd, WM_COMMAND, 1, 0);
    EXPECT_TRUE(docking.IsGlued(results.hwnd));
    results.MoveTo(mainStart.left, mainStart.bottom + 50);
    SendMessageW(main.hwnd, WM_SYSCOMMAND, 0xF020, 0);
    EXPECT_FALSE(docking.IsGlued(results.hwnd)) << "recomputed on minimise";
}

// The tray puts its own procedure on the main window after the docking hook. Either may come off
// first: the other keeps seeing the window's messages and the window keeps working.
LRESULT CALLBACK CountingSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_MOVING) ++*reinterpret_cast<int*>(ref);
    return DefSubclassProc(h, msg, wp, lp);
}

TEST_F(MagneticWndWin32, DockingHookComesOffFromUnderALaterHook) {
    TestWindow main(workArea.left + 200, workArea.top + 100, 330, 530);
    const RECT start = main.Rect();
    const POINT grab{start.left + 100, start.top + 10};
    int trayMoving = 0;
    auto docking = std::make_unique<cMagneticWnd>();
    docking->AddWindow(main.hwnd, nullptr);
    ASSERT_TRUE(SetWindowSubclass(main.hwnd, &CountingSubclass, 1, reinterpret_cast<DWORD_PTR>(&trayMoving)));

    RECT r{};
    EXPECT_EQ(MoveStep(main, grab, POINT{grab.x - 195, grab.y}, r), 1);
    EXPECT_EQ(r.left, workArea.left) << "the docking hook still works under the later one";
    EXPECT_EQ(trayMoving, 1);

    EXPECT_TRUE(docking->RemoveWindow(main.hwnd));
    EXPECT_EQ(MoveStep(main, grab, POINT{grab.x - 195, grab.y}, r), 7)
        << "the window's own procedure answers";
    EXPECT_EQ(r.left, start.left - 195) << "no snapping any more";
    EXPECT_EQ(trayMoving, 2) << "the later hook is still in place";
    EXPECT_EQ(main.Count(WM_MOVING), 1);

    // Registered again it is the top hook and swallows WM_MOVING before the other sees it; the
    // manager then ends with the window still registered and takes its hook off.
    docking->AddWindow(main.hwnd, nullptr);
    EXPECT_EQ(MoveStep(main, grab, POINT{grab.x - 195, grab.y}, r), 1);
    EXPECT_EQ(trayMoving, 2);
    EXPECT_EQ(main.Count(WM_MOVING), 1);
    docking.reset();
    EXPECT_EQ(MoveStep(main, grab, POINT{grab.x - 195, grab.y}, r), 7);
    EXPECT_EQ(trayMoving, 3);
    EXPECT_EQ(main.Count(WM_MOVING), 2);
    EXPECT_TRUE(RemoveWindowSubclass(main.hwnd, &CountingSubclass, 1));
    EXPECT_EQ(MoveStep(main, grab, POINT{grab.x, grab.y}, r), 7);
    EXPECT_EQ(trayMoving, 3);
}

}  // namespace
}  // namespace mulan::window
