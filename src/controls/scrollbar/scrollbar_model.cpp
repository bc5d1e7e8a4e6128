#include "controls/scrollbar/scrollbar_model.h"

#include <algorithm>

namespace mulan::scrollbar {

void ScrollbarModel::Load(const ScrollbarProperties& stored, std::int32_t width, std::int32_t height) {
    enabled_ = stored.enabled;
    min_ = stored.min;
    max_ = stored.max;
    value_ = stored.value;
    smallChange_ = stored.smallChange;
    largeChange_ = stored.largeChange;
    changeDelay_ = stored.changeDelay;
    changeFrequency_ = stored.changeFrequency;
    orientation_ = stored.orientation;
    showButtons_ = stored.showButtons;
    range_ = static_cast<std::int64_t>(max_) - min_;
    width_ = width;
    height_ = height;
    layout_ = UpdateGeometry(width_, height_, orientation_, showButtons_);
    UpdateThumb();
}

ScrollbarProperties ScrollbarModel::Properties() const {
    return {enabled_,         min_,         max_,        value_, smallChange_, largeChange_, changeDelay_,
            changeFrequency_, orientation_, showButtons_};
}

void ScrollbarModel::SetEnabled(bool enabled) {
    enabled_ = enabled;
    host_.Invalidate();
}

void ScrollbarModel::SetMax(std::int32_t max) {
    max_ = max < min_ ? min_ : max;
    range_ = static_cast<std::int64_t>(max_) - min_;
    if (value_ > max_) value_ = max_;
    UpdateThumb();
    host_.Invalidate();
}

void ScrollbarModel::SetMin(std::int32_t min) {
    min_ = min > max_ ? max_ : min;
    range_ = static_cast<std::int64_t>(max_) - min_;
    if (value_ < min_) value_ = min_;
    UpdateThumb();
    host_.Invalidate();
}

void ScrollbarModel::SetValue(std::int32_t value) {
    const std::int32_t before = value_;
    value_ = value < min_ ? min_ : (value > max_ ? max_ : value);
    PlaceThumbFromValue();
    UpdateRects();
    host_.Invalidate();
    if (value_ != before) host_.RaiseChange();
}

void ScrollbarModel::SetSmallChange(std::int32_t amount) {
    smallChange_ = amount < 1 ? 1 : amount;
    UpdateThumb();
    host_.Invalidate();
}

void ScrollbarModel::SetLargeChange(std::int32_t amount) {
    largeChange_ = amount < 1 ? 1 : amount;
    UpdateThumb();
    host_.Invalidate();
}

void ScrollbarModel::SetOrientation(std::int32_t orientation) {
    orientation_ = std::clamp(orientation, 0, 1);
    RecalcLayout();
}

void ScrollbarModel::SetShowButtons(bool show) {
    showButtons_ = show;
    RecalcLayout();
}

void ScrollbarModel::Resize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
    RecalcLayout();
}

void ScrollbarModel::RecalcLayout() {
    layout_ = UpdateGeometry(width_, height_, orientation_, showButtons_);
    UpdateThumb();
    host_.Invalidate();
}

void ScrollbarModel::UpdateThumb() {
    thumbSize_ = ThumbSizeFor(TrackLength(layout_, orientation_), range_, largeChange_);
    PlaceThumbFromValue();
    UpdateRects();
}

void ScrollbarModel::PlaceThumbFromValue() {
    thumbPosition_ =
        ThumbPositionFor(Arrow1End(), TrackLength(layout_, orientation_), thumbSize_, range_, value_, min_);
}

void ScrollbarModel::UpdateRects() {
    if (layout_.thumbVisible) UpdatePartRects(layout_, orientation_, thumbPosition_, thumbSize_);
}

PartStates ScrollbarModel::States() const {
    if (!enabled_) return {4, 4, 0, 0, 3};
    const auto arrow = [this](bool hot, bool pressed) { return hot ? 2 : pressed ? 3 : hovered_ ? 1 : 0; };
    return {arrow(arrow1Hot_, arrow1Pressed_), arrow(arrow2Hot_, arrow2Pressed_), track1Pressed_ ? 1 : 0,
            track2Pressed_ ? 1 : 0,
            thumbHot_       ? 1
            : thumbPressed_ ? 2
                            : 0};
}

void ScrollbarModel::Paint(ScrollbarPainter& painter) const {
    const PartStates s = States();
    painter.DrawArrow1(orientation_, s.arrow1, layout_.arrow1);
    painter.DrawArrow2(orientation_, s.arrow2, layout_.arrow2);
    if (layout_.thumbVisible) {
        painter.DrawTrack(orientation_, s.track1, layout_.track1);
        painter.DrawTrack(orientation_, s.track2, layout_.track2);
        painter.DrawThumb(orientation_, s.thumb, layout_.thumb);
    }
    if (layout_.fillerVisible) painter.FillPattern(layout_.filler);
}

bool ScrollbarModel::StepDown(std::int32_t amount, bool forceRepaint) {
    return StepTo(std::max<std::int64_t>(static_cast<std::int64_t>(value_) - amount, min_), forceRepaint);
}

bool ScrollbarModel::StepUp(std::int32_t amount, bool forceRepaint) {
    return StepTo(std::min<std::int64_t>(static_cast<std::int64_t>(value_) + amount, max_), forceRepaint);
}

bool ScrollbarModel::StepTo(std::int64_t target, bool forceRepaint) {
    // Stored properties are loaded unchecked, so a step may be zero or negative: the value still stays
    // within Min and Max.
    if (target > max_) target = max_;
    if (target < min_) target = min_;
    if (target == value_) {
        if (forceRepaint) host_.Invalidate();
        return false;
    }
    value_ = static_cast<std::int32_t>(target);
    PlaceThumbFromValue();
    UpdateRects();
    host_.Invalidate();
    host_.RaiseChange();
    return true;
}

void ScrollbarModel::StartTimer(std::int32_t id, std::int32_t intervalMs) {
    if (id != TimerRepeat) KillTimer(id);
    host_.StartTimer(id, intervalMs);
}

void ScrollbarModel::KillTimer(std::int32_t id) {
    host_.StopTimer(id);
    hoverPart_ = PartNone;
}

void ScrollbarModel::OnMouseDown(std::uint32_t keys, Point pointer) {
    if (keys == 0) return;
    pointer_ = pointer;
    pressedPart_ = HitTest(layout_, pointer);
    switch (pressedPart_) {
        case PartArrow1:
            arrow1Pressed_ = true;
            arrow1Hot_ = false;
            StepDown(smallChange_, true);
            break;
        case PartArrow2:
            arrow2Pressed_ = true;
            arrow2Hot_ = false;
            StepUp(smallChange_, true);
            break;
        case PartTrack1:
            track1Pressed_ = true;
            StepDown(largeChange_);
            break;
        case PartTrack2:
            track2Pressed_ = true;
            StepUp(largeChange_);
            break;
        case PartThumb:
            grabOffset_ = (orientation_ == OrientationHorizontal ? layout_.thumb.left : layout_.thumb.top) -
                          Along(pointer);
            dragStartValue_ = value_;
            thumbPressed_ = true;
            thumbHot_ = false;
            host_.Invalidate();
            return;
        case PartNone:
            return;
    }
    StartTimer(TimerDelay, changeDelay_);
}

void ScrollbarModel::OnMouseMove(std::uint32_t keys, Point pointer) {
    pointer_ = pointer;
    if (keys == 0) {
        Hover(pointer);
        return;
    }
    if (pressedPart_ == PartArrow1 || pressedPart_ == PartArrow2) {
        const bool onArrow1 = pressedPart_ == PartArrow1;
        bool& pressed = onArrow1 ? arrow1Pressed_ : arrow2Pressed_;
        const bool inside = (onArrow1 ? layout_.arrow1 : layout_.arrow2).Contains(pointer);
        if (pressed != inside) {
            pressed = inside;
            host_.Invalidate();
        }
    } else if (pressedPart_ == PartThumb) {
        DragThumb();
    }
}

void ScrollbarModel::DragThumb() {
    const std::int32_t oldValue = value_;
    const std::int32_t oldPosition = thumbPosition_;
    const std::int32_t length = TrackLength(layout_, orientation_);
    if (layout_.dragLimit.Contains(pointer_)) {
        std::int32_t position = grabOffset_ + Along(pointer_);
        if (position < Arrow1End()) position = Arrow1End();
        if (position + thumbSize_ > Arrow2Start()) position = Arrow2Start() - thumbSize_;
        thumbPosition_ = position;
        value_ = ValueForThumbPosition(Arrow1End(), length, thumbSize_, range_, position, min_);
    } else {
        value_ = dragStartValue_;
        PlaceThumbFromValue();
    }
    if (thumbPosition_ == oldPosition) return;
    UpdateRects();
    host_.Invalidate();
    if (value_ != oldValue) host_.RaiseScroll();
}

void ScrollbarModel::Hover(Point pointer) {
    hoverPart_ = HitTest(layout_, pointer);
    if (!hovered_) {
        hovered_ = true;
        host_.Invalidate();
        StartTimer(TimerHover, kHoverPollMs);
    }
    bool* hot = hoverPart_ == PartArrow1   ? &arrow1Hot_
                : hoverPart_ == PartArrow2 ? &arrow2Hot_
                : hoverPart_ == PartThumb  ? &thumbHot_
                                           : nullptr;
    if (!hot || *hot) return;
    arrow1Hot_ = arrow2Hot_ = thumbHot_ = false;
    *hot = true;
    host_.Invalidate();
    StartTimer(TimerHotPart, kHoverPollMs);
}

void ScrollbarModel::OnRelease() {
    KillTimer(TimerHotPart);
    KillTimer(TimerDelay);
    KillTimer(TimerRepeat);
    if (pressedPart_ == PartThumb && value_ != dragStartValue_) host_.RaiseChange();
    pressedPart_ = PartNone;
    arrow1Pressed_ = arrow2Pressed_ = track1Pressed_ = track2Pressed_ = thumbPressed_ = false;
    // The thumb settles on the exact place of its value.
    PlaceThumbFromValue();
    UpdateRects();
    host_.Invalidate();
}

void ScrollbarModel::OnTimer(std::int32_t id) {
    switch (id) {
        case TimerDelay:
            KillTimer(TimerDelay);
            StartTimer(TimerRepeat, changeFrequency_);
            return;
        case TimerRepeat:
            break;
        case TimerHotPart: {
            bool* hot = arrow1Hot_   ? &arrow1Hot_
                        : arrow2Hot_ ? &arrow2Hot_
                        : thumbHot_  ? &thumbHot_
                                     : nullptr;
            if (!hot) return;
            const Rect& part = hot == &arrow1Hot_   ? layout_.arrow1
                               : hot == &arrow2Hot_ ? layout_.arrow2
                                                    : layout_.thumb;
            if (part.Contains(host_.PointerInClient())) return;
            *hot = false;
            KillTimer(TimerHotPart);
            host_.Invalidate();
            return;
        }
        case TimerHover:
            if (host_.PointerOverControl() || !hovered_ || pressedPart_ != PartNone) return;
            hovered_ = false;
            KillTimer(TimerHover);
            host_.Invalidate();
            return;
        default:
            return;
    }
    switch (pressedPart_) {
        case PartArrow1:
            if (layout_.arrow1.Contains(pointer_) && !StepDown(smallChange_)) KillTimer(TimerRepeat);
            break;
        case PartArrow2:
            if (layout_.arrow2.Contains(pointer_) && !StepUp(smallChange_)) KillTimer(TimerRepeat);
            break;
        case PartTrack1:
            if (thumbPosition_ > Along(pointer_)) {
                track1Pressed_ = true;
                StepDown(largeChange_);
            } else {
                track1Pressed_ = false;
                host_.Invalidate();
            }
            break;
        case PartTrack2:
            if (thumbPosition_ + thumbSize_ < Along(pointer_)) {
                track2Pressed_ = true;
                StepUp(largeChange_);
            } else {
                track2Pressed_ = false;
                host_.Invalidate();
            }
            break;
        default:
            break;
    }
}

}  // namespace mulan::scrollbar
