#include "controls/playlist/playlist_model.h"

#include <cmath>

#include "base/decimal_text.h"
#include "base/dpi_scale.h"

namespace mulan::playlist {

namespace {

// Rows are indexed in 16 bits; anything outside that range is no row at all.
int16_t ToRowIndex(double value) {
    if (!(value >= -1.0 && value <= 32767.0)) return -1;
    return static_cast<int16_t>(value);
}

}  // namespace

PlaylistModel::PlaylistModel(PlaylistView& view, PlaylistEvents& events, FileProbe& files)
    : view_(view), events_(events), files_(files) {}

int32_t PlaylistModel::AddItem(TextView Title, std::optional<TextView> Author, std::optional<TextView> URL,
                               std::optional<TextView> StrTime, std::optional<double> Index) {
    const TextView author = Author.value_or(u"UnKnow");
    const TextView url = URL.value_or(u"");
    const TextView strTime = StrTime.value_or(u"");
    if (ListCount() >= kMaxItems) return -1;
    // The number column is measured before drawing: when the count gains a digit, the rows drawn
    // before would otherwise keep a column too narrow for their numbers ("10" shown as ".").
    const int32_t numberWidth = numberWidth_;
    if (!Index || items_.empty()) {
        if (Index && std::floor(*Index) != 0.0) return -1;
        StoreNewItem(items_.size(), Title, author, url, strTime);
        MeasureNumberWidth();
        if (numberWidth_ != numberWidth && ListCount() > 1) {
            view_.DrawRows();
        } else {
            view_.DrawRow(static_cast<int16_t>(ListCount() - 1));
        }
    } else {
        const double at = std::floor(*Index);
        if (std::isnan(at) || at < 0 || at > ListCount()) return -1;
        StoreNewItem(static_cast<size_t>(at), Title, author, url, strTime);
        MeasureNumberWidth();
        view_.DrawRows();
    }
    view_.UpdateScrollRange();
    return ListCount();
}

void PlaylistModel::MeasureNumberWidth() {
    if (!items_.empty()) numberWidth_ = view_.TextWidth(DecimalText(ListCount())) + Scaled(4);
}

void PlaylistModel::StoreNewItem(size_t at, TextView title, TextView author, TextView url, TextView strTime) {
    PlaylistItem item{Text(title), Text(author), Text(strTime), Text(url), false};
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(at), std::move(item));
    if (autoCheckError_) items_[at].ItemError = FileMissing(static_cast<int16_t>(at));
}

int32_t PlaylistModel::RemoveItem(int16_t Index) {
    if (!IsValid(Index)) return -1;
    if (ListCount() == 1) {
        Clear();
        return 0;
    }
    items_.erase(items_.begin() + Index);
    if (Index == playIndex_) playIndex_ = -1;
    view_.UpdateScrollRange();
    view_.DrawRows();
    return ListCount();
}

void PlaylistModel::Clear() {
    if (items_.empty()) return;
    items_.clear();
    view_.UpdateScrollRange();
    listIndex_ = -1;
    playIndex_ = -1;
    firstIndex_ = 0;
    bottomIndex_ = 0;
    view_.EraseControl();
}

Text PlaylistModel::Title(int16_t index) const {
    return IsValid(index) ? items_[index].Title : Text();
}
Text PlaylistModel::Author(int16_t index) const {
    return IsValid(index) ? items_[index].Author : Text();
}
Text PlaylistModel::URL(int16_t index) const {
    return IsValid(index) ? items_[index].URL : Text();
}
Text PlaylistModel::StrTime(int16_t index) const {
    return IsValid(index) ? items_[index].StrTime : Text();
}
bool PlaylistModel::ItemError(int16_t index) const {
    return IsValid(index) && items_[index].ItemError;
}

void PlaylistModel::SetTitle(int16_t index, TextView value) {
    SetText(index, &PlaylistItem::Title, value, true);
}
void PlaylistModel::SetAuthor(int16_t index, TextView value) {
    SetText(index, &PlaylistItem::Author, value, true);
}
void PlaylistModel::SetStrTime(int16_t index, TextView value) {
    SetText(index, &PlaylistItem::StrTime, value, true);
}
// The address is not drawn, so storing it repaints nothing.
void PlaylistModel::SetURL(int16_t index, TextView value) {
    SetText(index, &PlaylistItem::URL, value, false);
}

void PlaylistModel::SetText(int16_t index, Text PlaylistItem::*field, TextView value, bool redraw) {
    if (!IsValid(index)) return;
    items_[index].*field = Text(value);
    if (redraw) view_.DrawRow(index);
}

void PlaylistModel::SetItemError(int16_t index, bool value) {
    if (!IsValid(index) || items_[index].ItemError == value) return;
    items_[index].ItemError = value;
    view_.DrawRow(index);
}

void PlaylistModel::SetListIndex(int16_t n) {
    SetMarkedIndex(listIndex_, n, false, u"ListIndex");
}
void PlaylistModel::SetPlayIndex(int16_t n) {
    SetMarkedIndex(playIndex_, n, true, u"PlayIndex");
}

void PlaylistModel::SetMarkedIndex(int16_t& stored, int16_t n, bool playing, std::u16string_view property) {
    if (!IsValid(n) || n == stored) return;
    if (n < firstIndex_ || n > bottomIndex_) view_.SetScrollValue(n);
    const int16_t before = stored;
    int16_t oldIndex = before;
    int16_t newIndex = n;
    int16_t reason = static_cast<int16_t>(IndexChangeReason::Property);
    if (playing) {
        events_.PlayIndexChanged(oldIndex, newIndex, reason);
    } else {
        events_.ListIndexChanged(oldIndex, newIndex, reason);
    }
    stored = newIndex;
    view_.DrawRow(newIndex);
    view_.DrawRow(oldIndex);
    if (oldIndex != before) view_.DrawRow(before);
    view_.PropertyChanged(property);
}

int16_t PlaylistModel::LastIndex() const {
    const int32_t last = ListCount() - 1;
    return static_cast<int16_t>(bottomIndex_ < last ? bottomIndex_ : last);
}

void PlaylistModel::SetFirstIndex(int16_t value) {
    firstIndex_ = value;
    RecomputeBottomIndex();
}

void PlaylistModel::RecomputeBottomIndex() {
    const int64_t bottom = int64_t{ListHeight()} / RowPitch() + firstIndex_ + 1;
    bottomIndex_ = static_cast<int16_t>(bottom > 32767 ? 32767 : bottom);
}

int16_t PlaylistModel::RowAt(double y) const {
    if (items_.empty()) return -1;
    const double row = std::floor((y - BorderPixels()) / RowPitch()) + firstIndex_;
    const int16_t i = ToRowIndex(row);
    return IsValid(i) ? i : int16_t{-1};
}

int16_t PlaylistModel::IndexFromPoint(double /*X*/, double Y) const {
    // Y becomes a whole pixel first, halves to the even neighbour.
    return RowAt(std::nearbyint(Y));
}

void PlaylistModel::SetAutoCheckError(bool value) {
    if (value == autoCheckError_) return;
    autoCheckError_ = value;
    view_.PropertyChanged(u"AutoCheckError");
    if (value) view_.DrawRows();
}

bool PlaylistModel::FileMissing(int16_t index) const {
    if (!IsValid(index)) return true;
    const Text& url = items_[index].URL;
    return url.empty() || !files_.OrdinaryFileExists(url);
}

void PlaylistModel::SetItemHeight(int32_t value) {
    itemHeight_ = value;
    RecomputeBottomIndex();
}

void PlaylistModel::SetBorder(bool value) {
    border_ = value;
    RecomputeBottomIndex();
}

void PlaylistModel::SetScaleHeight(int32_t value) {
    scaleHeight_ = value;
    RecomputeBottomIndex();
}

int32_t PlaylistModel::ListHeight() const {
    return border_ ? scaleHeight_ - 2 * BorderPixels() : scaleHeight_;
}

int32_t PlaylistModel::RowPitch() const {
    const int32_t pitch = Scaled(itemHeight_);
    return pitch < 1 ? 1 : pitch;
}

int32_t PlaylistModel::BorderPixels() const {
    return Scaled(borderWidth_);
}

void PlaylistModel::SetDpi(int32_t dpi) {
    dpi_ = dpi < 1 ? kBaseDpi : dpi;
    RecomputeBottomIndex();
}

int32_t PlaylistModel::Scaled(int32_t pixels) const {
    return ScaleToDpi(pixels, dpi_);
}

}  // namespace mulan::playlist
