#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/file_probe.h"
#include "controls/playlist/playlist_item.h"
#include "controls/playlist/playlist_view.h"

namespace mulan::playlist {

// The playlist's items and its selected, playing and top rows. Indexes are 16-bit, -1 is none.
// Every painting or scrolling side effect goes through the PlaylistView.
class PlaylistModel {
  public:
    // Indexes are 16-bit, so the list ends at index 32767.
    static constexpr int32_t kMaxItems = 32768;

    PlaylistModel(PlaylistView& view, PlaylistEvents& events, FileProbe& files);

    // Index is taken with its integer part rounded towards minus infinity.
    int32_t AddItem(TextView Title, std::optional<TextView> Author = std::nullopt,
                    std::optional<TextView> URL = std::nullopt,
                    std::optional<TextView> StrTime = std::nullopt,
                    std::optional<double> Index = std::nullopt);
    int32_t RemoveItem(int16_t Index);
    void Clear();

    int32_t ListCount() const { return static_cast<int32_t>(items_.size()); }
    const std::vector<PlaylistItem>& Items() const { return items_; }

    Text Title(int16_t index) const;
    Text Author(int16_t index) const;
    Text URL(int16_t index) const;
    Text StrTime(int16_t index) const;
    bool ItemError(int16_t index) const;
    void SetTitle(int16_t index, TextView value);
    void SetAuthor(int16_t index, TextView value);
    void SetURL(int16_t index, TextView value);
    void SetStrTime(int16_t index, TextView value);
    void SetItemError(int16_t index, bool value);
    // The painter's file check stores the flag without a redraw: it is drawing that row.
    void StoreItemError(int16_t index, bool value) {
        if (IsValid(index)) items_[static_cast<size_t>(index)].ItemError = value;
    }

    int16_t ListIndex() const { return listIndex_; }
    int16_t PlayIndex() const { return playIndex_; }
    void SetListIndex(int16_t n);
    void SetPlayIndex(int16_t n);
    // Stores a mouse-made selection or playing row as the events returned it (no checks, no property
    // notification); the caller redraws.
    void StoreListIndex(int16_t value) { listIndex_ = value; }
    void StorePlayIndex(int16_t value) { playIndex_ = value; }

    int16_t FirstIndex() const { return firstIndex_; }
    int16_t BottomIndex() const { return bottomIndex_; }
    int16_t LastIndex() const;
    void SetFirstIndex(int16_t value);
    void RecomputeBottomIndex();

    int16_t IndexFromPoint(double X, double Y) const;
    // The row under a pixel row, or -1; the mouse and IndexFromPoint share this arithmetic.
    int16_t RowAt(double y) const;

    bool AutoCheckError() const { return autoCheckError_; }
    void SetAutoCheckError(bool value);
    // Reading the stored set takes the value as it is, without notifying or repainting.
    void StoreAutoCheckError(bool value) { autoCheckError_ = value; }
    // True when the item's file is unusable: empty URL or no ordinary file at it.
    bool FileMissing(int16_t index) const;

    // Layout the index arithmetic depends on; the appearance properties and resizing set it.
    // ItemHeight and BorderWidth are the stored 96-DPI values; RowPitch and BorderPixels are what
    // they come to on the screen at the control's DPI.
    int32_t ItemHeight() const { return itemHeight_; }
    // Below 1 a row height would divide by zero; it counts as 1.
    int32_t RowPitch() const;
    void SetItemHeight(int32_t value);
    int16_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int16_t value) { borderWidth_ = value; }
    int32_t BorderPixels() const;
    int32_t Dpi() const { return dpi_; }
    void SetDpi(int32_t dpi);
    // A 96-DPI pixel metric at the control's DPI.
    int32_t Scaled(int32_t pixels) const;
    bool Border() const { return border_; }
    void SetBorder(bool value);
    int32_t ScaleHeight() const { return scaleHeight_; }
    void SetScaleHeight(int32_t value);
    int32_t ListHeight() const;

    int32_t NumberWidth() const { return numberWidth_; }
    // The number column as the last added row left it: as wide as the row count's digits.
    void MeasureNumberWidth();
    void SetNumberWidth(int32_t value) { numberWidth_ = value; }

  private:
    bool IsValid(int16_t index) const { return index >= 0 && index < ListCount(); }
    void StoreNewItem(size_t at, TextView title, TextView author, TextView url, TextView strTime);
    void SetText(int16_t index, Text PlaylistItem::*field, TextView value, bool redraw);
    void SetMarkedIndex(int16_t& stored, int16_t n, bool playing, std::u16string_view property);

    PlaylistView& view_;
    PlaylistEvents& events_;
    FileProbe& files_;
    std::vector<PlaylistItem> items_;
    int16_t listIndex_ = -1;
    int16_t playIndex_ = -1;
    int16_t firstIndex_ = 0;
    int16_t bottomIndex_ = 0;
    bool autoCheckError_ = false;
    int32_t itemHeight_ = 18;
    int16_t borderWidth_ = 1;
    bool border_ = true;
    int32_t scaleHeight_ = 0;
    int32_t numberWidth_ = 0;
    int32_t dpi_ = 96;
};

}  // namespace mulan::playlist
