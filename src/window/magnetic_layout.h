#pragma once

#include <cstdint>
#include <vector>

#include "base/canvas.h"

namespace mulan::window {

// A window as the docking geometry knows it: an opaque handle value, 0 for none.
using WindowId = uintptr_t;

struct Point {
    int32_t x = 0, y = 0;
};

// What the geometry asks of the window system.
class DockingPlatform {
  public:
    virtual ~DockingPlatform() = default;
    virtual bool IsWindow(WindowId window) = 0;
    virtual Rect WindowRect(WindowId window) = 0;
    virtual bool IsZoomed(WindowId window) = 0;
    virtual Rect WorkArea() = 0;
    virtual Point CursorPos() = 0;
};

// Where one glued window goes when its parent moves.
struct GluedMove {
    WindowId window = 0;
    int32_t left = 0, top = 0;
};

// Sizing edge codes of WM_SIZING.
enum SizingEdge : int32_t {
    kLeft = 1,
    kRight = 2,
    kTop = 3,
    kTopLeft = 4,
    kTopRight = 5,
    kBottom = 6,
    kBottomLeft = 7,
    kBottomRight = 8
};

bool RectsTouch(const Rect& a, const Rect& b);

// The magnetic windows' tables and geometry: which windows are registered, which are glued to their
// parent, and how a rectangle being moved or sized snaps to the work area and the other windows.
// Slot 0 is the work area; slots 1..n are the registered windows.
class MagneticLayout {
  public:
    explicit MagneticLayout(DockingPlatform& platform);

    int32_t SnapWidth() const { return snapWidth_; }
    void SetSnapWidth(int32_t New_SnapWidth) { snapWidth_ = New_SnapWidth; }

    // Registers a window (false for a duplicate or a dead handle); the caller hooks it.
    bool AddWindow(WindowId hWnd, WindowId hWndParent);
    // Unregisters a window (false when it is not registered); its children lose their parent.
    bool RemoveWindow(WindowId hWnd);
    void CheckGlueing();

    void BeginMoveSize(WindowId window);
    Rect SnapSizing(WindowId window, Rect proposed, int32_t edge) const;
    // The rectangle the moving window goes to, and where its glued windows go with it. The proposal
    // gives only the size: the position follows the cursor. An unregistered window keeps the proposal.
    Rect SnapMoving(WindowId window, Rect proposed, std::vector<GluedMove>& glued);

    int32_t WindowCount() const { return static_cast<int32_t>(records_.size()) - 1; }
    // The window registered position-th (from 1, in the order of registration); 0 when none.
    WindowId WindowAt(int32_t position) const {
        return position >= 1 && position <= WindowCount() ? records_[static_cast<size_t>(position)].window
                                                          : 0;
    }
    bool IsGlued(WindowId window) const;
    WindowId ParentOf(WindowId window) const;

  private:
    struct Record {
        WindowId window = 0;
        WindowId parent = 0;
        bool glued = false;
    };
    size_t SlotOf(WindowId window) const;  // 0 when not registered
    bool Near(int32_t a, int32_t b) const;
    void SnapEdge(int32_t proposed, const Rect& t, int32_t& edge, bool horizontal) const;
    void SnapEdges(const Rect& r, const Rect& t, int32_t& dx, int32_t& dy) const;

    DockingPlatform& platform_;
    int32_t snapWidth_ = 10;
    std::vector<Record> records_{Record{}};
    std::vector<Rect> rects_{Rect{}};
    Point moveStartCursor_;
    Point moveOffset_;
};

}  // namespace mulan::window
