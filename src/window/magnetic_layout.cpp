#include "window/magnetic_layout.h"

#include <algorithm>
#include <cstdlib>

namespace mulan::window {

namespace {

int32_t Width(const Rect& r) {
    return r.right - r.left;
}
int32_t Height(const Rect& r) {
    return r.bottom - r.top;
}

Rect Offset(Rect r, int32_t dx, int32_t dy) {
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

bool IsEmpty(const Rect& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The platform's union: an empty rectangle contributes nothing.
Rect Union(const Rect& a, const Rect& b) {
    if (IsEmpty(a)) return IsEmpty(b) ? Rect{} : b;
    if (IsEmpty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

bool RectsTouch(const Rect& a, const Rect& b) {
    const Rect u = Union(a, b);
    const bool overlapOrMeet = Width(a) + Width(b) >= Width(u) && Height(a) + Height(b) >= Height(u);
    const bool sharedLine = a.left == b.left || a.left == b.right || a.right == b.left ||
                            a.right == b.right || a.top == b.top || a.top == b.bottom || a.bottom == b.top ||
                            a.bottom == b.bottom;
    return overlapOrMeet && sharedLine;
}

MagneticLayout::MagneticLayout(DockingPlatform& platform) : platform_(platform) {}

size_t MagneticLayout::SlotOf(WindowId window) const {
    for (size_t i = 1; i < records_.size(); ++i) {
        if (records_[i].window == window) return i;
    }
    return 0;
}

bool MagneticLayout::IsGlued(WindowId window) const {
    const size_t slot = SlotOf(window);
    return slot != 0 && records_[slot].glued;
}

WindowId MagneticLayout::ParentOf(WindowId window) const {
    const size_t slot = SlotOf(window);
    return slot != 0 ? records_[slot].parent : 0;
}

bool MagneticLayout::AddWindow(WindowId hWnd, WindowId hWndParent) {
    if (SlotOf(hWnd) != 0) return false;
    if (!platform_.IsWindow(hWnd) || (hWndParent != 0 && !platform_.IsWindow(hWndParent))) return false;
    records_.push_back(Record{hWnd, hWndParent, false});
    rects_.push_back(Rect{});
    CheckGlueing();
    return true;
}

bool MagneticLayout::RemoveWindow(WindowId hWnd) {
    const size_t slot = SlotOf(hWnd);
    if (slot == 0) return false;
    records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(slot));
    rects_.erase(rects_.begin() + static_cast<std::ptrdiff_t>(slot));
    for (auto& record : records_) {
        if (record.parent == hWnd) record.parent = 0;
    }
    CheckGlueing();
    return true;
}

void MagneticLayout::CheckGlueing() {
    const size_t n = records_.size() - 1;
    for (size_t i = 1; i <= n; ++i) {
        rects_[i] = platform_.WindowRect(records_[i].window);
        records_[i].glued = false;
    }
    for (size_t i = 1; i <= n; ++i) {
        if (records_[i].parent == 0) continue;
        records_[i].glued = RectsTouch(rects_[SlotOf(records_[i].parent)], rects_[i]);
    }
    // Glue spreads through touching siblings, one link per pass.
    for (size_t pass = 0; pass < n; ++pass) {
        for (size_t i = 1; i <= n; ++i) {
            if (!records_[i].glued) continue;
            for (size_t k = 1; k <= n; ++k) {
                if (k == i || records_[k].parent != records_[i].parent || records_[k].glued) continue;
                records_[k].glued = RectsTouch(rects_[i], rects_[k]);
            }
        }
    }
}

void MagneticLayout::BeginMoveSize(WindowId window) {
    const Rect workArea = platform_.WorkArea();
    rects_[0] = workArea;
    for (size_t i = 1; i < records_.size(); ++i) {
        const WindowId w = records_[i].window;
        rects_[i] = platform_.IsZoomed(w) ? workArea : platform_.WindowRect(w);
        if (w == window) {
            moveStartCursor_ = platform_.CursorPos();
            moveOffset_ = Point{rects_[i].left - moveStartCursor_.x, rects_[i].top - moveStartCursor_.y};
        }
    }
}

bool MagneticLayout::Near(int32_t a, int32_t b) const {
    return std::abs(int64_t{a} - b) < snapWidth_;
}

// A dragged edge goes to the near edge of t across its direction: left then right, or top then
// bottom. The distance is measured from the proposal, not from an edge already snapped.
void MagneticLayout::SnapEdge(int32_t proposed, const Rect& t, int32_t& edge, bool horizontal) const {
    const int32_t first = horizontal ? t.left : t.top;
    const int32_t second = horizontal ? t.right : t.bottom;
    if (Near(proposed, first)) {
        edge = first;
    } else if (Near(proposed, second)) {
        edge = second;
    }
}

Rect MagneticLayout::SnapSizing(WindowId window, Rect r, int32_t edge) const {
    const Rect q = r;
    const bool left = edge == kLeft || edge == kTopLeft || edge == kBottomLeft;
    const bool right = edge == kRight || edge == kTopRight || edge == kBottomRight;
    const bool top = edge == kTop || edge == kTopLeft || edge == kTopRight;
    const bool bottom = edge == kBottom || edge == kBottomLeft || edge == kBottomRight;
    for (size_t j = 0; j < records_.size(); ++j) {
        if (j != 0 && records_[j].window == window) continue;
        const Rect& t = rects_[j];
        if (r.top < t.bottom + snapWidth_ && r.bottom > t.top - snapWidth_) {
            if (left) SnapEdge(q.left, t, r.left, true);
            if (right) SnapEdge(q.right, t, r.right, true);
        }
        if (r.left < t.right + snapWidth_ && r.right > t.left - snapWidth_) {
            if (top) SnapEdge(q.top, t, r.top, false);
            if (bottom) SnapEdge(q.bottom, t, r.bottom, false);
        }
    }
    return r;
}

void MagneticLayout::SnapEdges(const Rect& r, const Rect& t, int32_t& dx, int32_t& dy) const {
    if (r.top < t.bottom + snapWidth_ && t.top - snapWidth_ < r.bottom) {
        if (Near(r.left, t.left))
            dx = t.left - r.left;
        else if (Near(r.left, t.right))
            dx = t.right - r.left;
        else if (Near(r.right, t.left))
            dx = t.left - r.right;
        else if (Near(r.right, t.right))
            dx = t.right - r.right;
    }
    if (r.left < t.right + snapWidth_ && t.left - snapWidth_ < r.right) {
        if (Near(r.top, t.top))
            dy = t.top - r.top;
        else if (Near(r.top, t.bottom))
            dy = t.bottom - r.top;
        else if (Near(r.bottom, t.top))
            dy = t.top - r.bottom;
        else if (Near(r.bottom, t.bottom))
            dy = t.bottom - r.bottom;
    }
}

Rect MagneticLayout::SnapMoving(WindowId window, Rect proposed, std::vector<GluedMove>& glued) {
    glued.clear();
    const size_t own = SlotOf(window);
    if (own == 0) return proposed;
    const Point p = platform_.CursorPos();
    // The size is the proposal's, not the captured one: a window dragged out of its maximised state
    // was captured as the whole work area.
    Rect r = Offset(proposed, p.x + moveOffset_.x - proposed.left, p.y + moveOffset_.y - proposed.top);
    int32_t dx = 0, dy = 0;
    auto gluedChild = [&](size_t i) { return records_[i].glued && records_[i].parent == window && i != 0; };
    for (size_t j = 0; j < records_.size(); ++j) {
        if ((j != 0 && records_[j].window == window) || gluedChild(j)) continue;
        SnapEdges(r, rects_[j], dx, dy);
    }
    for (size_t i = 1; i < records_.size(); ++i) {
        if (!gluedChild(i)) continue;
        const Rect g = Offset(rects_[i], p.x - moveStartCursor_.x, p.y - moveStartCursor_.y);
        for (size_t h = 0; h < records_.size(); ++h) {
            if (h == i || (h != 0 && (records_[h].glued || records_[h].window == window))) continue;
            SnapEdges(g, rects_[h], dx, dy);
        }
    }
    r = Offset(r, dx, dy);
    for (size_t i = 1; i < records_.size(); ++i) {
        if (!gluedChild(i)) continue;
        glued.push_back(GluedMove{records_[i].window, rects_[i].left + (r.left - rects_[own].left),
                                  rects_[i].top + (r.top - rects_[own].top)});
    }
    return r;
}

}  // namespace mulan::window
