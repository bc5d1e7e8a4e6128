#include "controls/playlist/playlist_input.h"

#include <algorithm>

namespace mulan::playlist {

namespace {

constexpr int16_t kLeftButton = 1;
constexpr int16_t kRightButton = 2;
constexpr int16_t kByMouse = static_cast<int16_t>(IndexChangeReason::Mouse);

}  // namespace

PlaylistInput::PlaylistInput(PlaylistModel& model, PlaylistView& view, PlaylistEvents& events,
                             PlaylistScrollbar& bar)
    : model_(model), view_(view), events_(events), bar_(bar) {}

void PlaylistInput::MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
    LastButton = Button;
    LastShift = Shift;
    LastX = X;
    LastY = Y;
    if ((Button == kLeftButton || Button == kRightButton) && model_.ListCount() > 0) {
        const int16_t i = model_.RowAt(Y);
        if (i < 0 || i == model_.ListIndex()) return;
        const int16_t before = model_.ListIndex();
        int16_t oldIndex = before, newIndex = i, reason = kByMouse;
        events_.ListIndexChanged(oldIndex, newIndex, reason);
        model_.StoreListIndex(newIndex);
        view_.DrawRow(oldIndex);
        if (oldIndex != before) view_.DrawRow(before);
        view_.DrawRow(newIndex);
    }
    events_.MouseDown(Button, Shift, X, Y);
}

void PlaylistInput::DoubleClick() {
    if (model_.ListCount() > 0 && LastButton == kLeftButton) {
        const int16_t i = model_.RowAt(LastY);
        if (i < 0 || i == model_.PlayIndex()) return;
        const int16_t before = model_.PlayIndex();
        int16_t oldIndex = before, newIndex = i, reason = kByMouse;
        events_.PlayIndexChanged(oldIndex, newIndex, reason);
        model_.StorePlayIndex(newIndex);
        view_.DrawRow(oldIndex);
        if (oldIndex != before) view_.DrawRow(before);
        view_.DrawRow(newIndex);
    }
    events_.DBClick(LastButton, LastShift, LastX, LastY);
}

void PlaylistInput::Click() {
    events_.Click(LastButton, LastShift, LastX, LastY);
}

void PlaylistInput::KeyPressed(int16_t KeyCode, int16_t Shift) {
    events_.KeyDown(KeyCode, Shift);
    const auto target = KeyTarget(KeyCode);
    if (!target) return;
    ScrollIntoView(*target);
    model_.SetListIndex(static_cast<int16_t>(*target));
}

// Where a key takes the selection; from no selection every key starts at the first row.
std::optional<int32_t> PlaylistInput::KeyTarget(int16_t KeyCode) const {
    const int32_t count = model_.ListCount();
    if (count == 0) return std::nullopt;
    const int32_t page = std::max(1, model_.ListHeight() / model_.RowPitch());
    const int32_t at = std::clamp<int32_t>(model_.ListIndex(), -1, count - 1);
    int32_t target = 0;
    switch (KeyCode) {
        case KeyArrowUp:
            target = at - 1;
            break;
        case KeyArrowDown:
            target = at + 1;
            break;
        case KeyPageUp:
            target = at - page;
            break;
        case KeyPageDown:
            target = at < 0 ? page - 1 : at + page;
            break;
        case KeyHome:
            target = 0;
            break;
        case KeyEnd:
            target = count - 1;
            break;
        default:
            return std::nullopt;
    }
    return std::clamp(target, 0, count - 1);
}

// Scrolls as little as shows the whole row.
void PlaylistInput::ScrollIntoView(int32_t index) {
    if (!bar_.Visible()) return;
    const int32_t page = std::max(1, model_.ListHeight() / model_.RowPitch());
    const int32_t first = model_.FirstIndex();
    const int32_t wanted = index < first ? index : index >= first + page ? index - page + 1 : first;
    const int32_t value = std::clamp(wanted, 0, std::max(0, bar_.Max()));
    if (value == bar_.Value()) return;
    bar_.SetValue(value);
    view_.DrawRows();
    events_.Scroll();
}

void PlaylistInput::Wheel(int32_t wParam) {
    if (!bar_.Visible()) return;
    const int32_t step =
        static_cast<int32_t>(model_.ListHeight() / static_cast<double>(model_.RowPitch()) * 0.2 + 1);
    const int32_t wanted = wParam < 1 ? bar_.Value() + step : bar_.Value() - step;
    const int32_t value = std::clamp(wanted, 0, std::max(0, bar_.Max()));
    if (value == bar_.Value()) return;
    bar_.SetValue(value);
    view_.DrawRows();
    events_.Scroll();
}

void PlaylistInput::BarChange() {
    if (!bar_.Visible()) return;
    model_.SetFirstIndex(static_cast<int16_t>(bar_.Value()));
    view_.DrawRows();
}

void PlaylistInput::BarScroll() {
    BarChange();
    events_.Scroll();
}

void PlaylistInput::UpdateScrollRange() {
    if (model_.ListCount() == 0) {
        bar_.SetMax(0);
        bar_.SetVisible(false);
    } else {
        const int32_t listHeight = model_.ListHeight();
        bar_.SetMax(model_.ListCount() - listHeight / model_.RowPitch());
        bar_.SetVisible(listHeight < int64_t{model_.ListCount()} * model_.RowPitch());
    }
    if (bar_.Value() != model_.FirstIndex()) {
        model_.SetFirstIndex(static_cast<int16_t>(bar_.Value()));
        view_.DrawRows();
    }
}

void PlaylistInput::Resize(int32_t scaleWidth, int32_t scaleHeight) {
    scaleWidth_ = scaleWidth;
    model_.SetScaleHeight(scaleHeight);
    if (scaleWidth < previousWidth_ || scaleHeight < previousHeight_) view_.Refresh();
    UpdateScrollRange();
    PlaceBar();
    previousWidth_ = scaleWidth;
    previousHeight_ = scaleHeight;
    events_.Resize();
}

void PlaylistInput::PlaceBar() {
    const int32_t barWidth = bar_.Width();
    const int32_t scaleHeight = model_.ScaleHeight();
    if (model_.Border()) {
        const int32_t bw = model_.BorderPixels();
        bar_.Move(scaleWidth_ - barWidth - bw, bw, barWidth, scaleHeight - 2 * bw);
    } else {
        bar_.Move(scaleWidth_ - barWidth, 0, barWidth, scaleHeight);
    }
}

}  // namespace mulan::playlist
