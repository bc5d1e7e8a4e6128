#pragma once

#include <cstdint>

#include "controls/scrollbar/scrollbar_geometry.h"
#include "controls/scrollbar/scrollbar_properties.h"

namespace mulan::scrollbar {

// Window timers of the control.
enum ScrollbarTimer : std::int32_t { TimerDelay = 1, TimerRepeat = 2, TimerHotPart = 3, TimerHover = 4 };
inline constexpr std::int32_t kHoverPollMs = 25;

// Key-state bit of the left button in mouse messages.
inline constexpr std::uint32_t kKeyLeftButton = 0x0001;

// What the model asks of the window it lives in.
class ScrollbarHost {
  public:
    virtual void Invalidate() = 0;
    virtual void StartTimer(std::int32_t id, std::int32_t intervalMs) = 0;
    virtual void StopTimer(std::int32_t id) = 0;
    // The pointer in the control's client coordinates, and whether the control is the window under it.
    virtual Point PointerInClient() = 0;
    virtual bool PointerOverControl() = 0;
    virtual void RaiseChange() = 0;
    virtual void RaiseScroll() = 0;

  protected:
    ~ScrollbarHost() = default;
};

// The painter the parts are handed to. States: buttons 0 normal, 1 control hovered, 2 hot,
// 3 pressed, 4 disabled; track 0 normal, 1 pressed; thumb 0 normal, 1 hot, 2 pressed, 3 disabled.
class ScrollbarPainter {
  public:
    virtual void DrawArrow1(std::int32_t orientation, std::int32_t state, const Rect& r) = 0;
    virtual void DrawArrow2(std::int32_t orientation, std::int32_t state, const Rect& r) = 0;
    virtual void DrawTrack(std::int32_t orientation, std::int32_t state, const Rect& r) = 0;
    virtual void DrawThumb(std::int32_t orientation, std::int32_t state, const Rect& r) = 0;
    // The 50 % checkerboard where no thumb fits.
    virtual void FillPattern(const Rect& r) = 0;

  protected:
    ~ScrollbarPainter() = default;
};

struct PartStates {
    std::int32_t arrow1 = 0;
    std::int32_t arrow2 = 0;
    std::int32_t track1 = 0;
    std::int32_t track2 = 0;
    std::int32_t thumb = 0;
};

// The scrollbar's value model, layout and mouse and timer behaviour, without a window.
class ScrollbarModel {
  public:
    explicit ScrollbarModel(ScrollbarHost& host) : host_(host) {}

    // Stores persisted properties as read and lays the parts out for a client area of the given size.
    void Load(const ScrollbarProperties& stored, std::int32_t width, std::int32_t height);
    ScrollbarProperties Properties() const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    std::int32_t Max() const { return max_; }
    void SetMax(std::int32_t max);
    std::int32_t Min() const { return min_; }
    void SetMin(std::int32_t min);
    std::int32_t Value() const { return value_; }
    void SetValue(std::int32_t value);
    std::int32_t SmallChange() const { return smallChange_; }
    void SetSmallChange(std::int32_t amount);
    std::int32_t LargeChange() const { return largeChange_; }
    void SetLargeChange(std::int32_t amount);
    std::int32_t ChangeDelay() const { return changeDelay_; }
    void SetChangeDelay(std::int32_t ms) { changeDelay_ = ms < 0 ? 0 : ms; }
    std::int32_t ChangeFrequency() const { return changeFrequency_; }
    void SetChangeFrequency(std::int32_t ms) { changeFrequency_ = ms < 25 ? 25 : ms; }
    std::int32_t Orientation() const { return orientation_; }
    void SetOrientation(std::int32_t orientation);
    bool ShowButtons() const { return showButtons_; }
    void SetShowButtons(bool show);

    // Window notifications.
    void Resize(std::int32_t width, std::int32_t height);
    void Paint(ScrollbarPainter& painter) const;
    void OnMouseDown(std::uint32_t keys, Point pointer);
    void OnMouseMove(std::uint32_t keys, Point pointer);
    void OnRelease();
    void OnTimer(std::int32_t id);

    const ScrollbarLayout& Layout() const { return layout_; }
    std::int32_t ThumbSize() const { return thumbSize_; }
    std::int32_t ThumbPosition() const { return thumbPosition_; }
    ScrollbarPart PressedPart() const { return pressedPart_; }
    bool Hovered() const { return hovered_; }
    PartStates States() const;

  private:
    void RecalcLayout();
    void UpdateThumb();  // thumb size, position and part rectangles
    void PlaceThumbFromValue();
    void UpdateRects();
    bool StepDown(std::int32_t amount, bool forceRepaint = false);
    bool StepUp(std::int32_t amount, bool forceRepaint = false);
    bool StepTo(std::int64_t target, bool forceRepaint);
    void StartTimer(std::int32_t id, std::int32_t intervalMs);
    void KillTimer(std::int32_t id);
    void DragThumb();
    void Hover(Point pointer);
    std::int32_t Along(Point p) const { return orientation_ == OrientationHorizontal ? p.x : p.y; }
    std::int32_t Arrow1End() const { return scrollbar::Arrow1End(layout_, orientation_); }
    std::int32_t Arrow2Start() const { return scrollbar::Arrow2Start(layout_, orientation_); }

    ScrollbarHost& host_;

    bool enabled_ = true;
    std::int32_t min_ = 0;
    std::int32_t max_ = 100;
    std::int32_t value_ = 0;
    std::int32_t smallChange_ = 1;
    std::int32_t largeChange_ = 10;
    std::int32_t changeDelay_ = 500;
    std::int32_t changeFrequency_ = 50;
    std::int32_t orientation_ = OrientationVertical;
    bool showButtons_ = true;

    std::int64_t range_ = 100;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    ScrollbarLayout layout_;
    std::int32_t thumbSize_ = kMinThumbSize;
    std::int32_t thumbPosition_ = 0;

    bool arrow1Pressed_ = false;
    bool arrow2Pressed_ = false;
    bool track1Pressed_ = false;
    bool track2Pressed_ = false;
    bool thumbPressed_ = false;
    bool arrow1Hot_ = false;
    bool arrow2Hot_ = false;
    bool thumbHot_ = false;
    bool hovered_ = false;
    ScrollbarPart pressedPart_ = PartNone;
    ScrollbarPart hoverPart_ = PartNone;
    Point pointer_;
    std::int32_t grabOffset_ = 0;
    std::int32_t dragStartValue_ = 0;
};

}  // namespace mulan::scrollbar
