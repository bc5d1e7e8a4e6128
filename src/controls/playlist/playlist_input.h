#pragma once

#include <cstdint>
#include <optional>

#include "controls/playlist/playlist_model.h"
#include "controls/playlist/playlist_scrollbar.h"
#include "controls/playlist/playlist_view.h"

namespace mulan::playlist {

// Key codes the control moves its selection with (the platform's virtual-key numbers).
enum PlaylistKey : int16_t {
    KeyPageUp = 0x21,
    KeyPageDown = 0x22,
    KeyEnd = 0x23,
    KeyHome = 0x24,
    KeyArrowUp = 0x26,
    KeyArrowDown = 0x28,
};

// The playlist's mouse, wheel, scrollbar and resize handling: selection by press, the playing row by
// double click, scrolling that keeps FirstIndex equal to the scrollbar's Value, and the events.
class PlaylistInput {
  public:
    PlaylistInput(PlaylistModel& model, PlaylistView& view, PlaylistEvents& events, PlaylistScrollbar& bar);

    void MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void DoubleClick();
    void Click();
    void MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
        events_.MouseMove(Button, Shift, X, Y);
    }
    void MouseUp(int16_t Button, int16_t Shift, float X, float Y) { events_.MouseUp(Button, Shift, X, Y); }
    // A key with the focus: KeyDown goes to the host first; the arrows, page keys, Home and End
    // then move the selection through the ListIndex setter, scrolling it into full view.
    void KeyPressed(int16_t KeyCode, int16_t Shift);
    // One wheel message: its wParam taken as a signed 32-bit number; only its sign counts.
    void Wheel(int32_t wParam);

    void BarChange();
    void BarScroll();
    void BarShowOrHide() { view_.Refresh(); }

    void UpdateScrollRange();
    void Resize(int32_t scaleWidth, int32_t scaleHeight);
    // Places the scrollbar along the right edge, inside the border when there is one.
    void PlaceBar();
    int32_t ScaleWidth() const { return scaleWidth_; }

  private:
    std::optional<int32_t> KeyTarget(int16_t KeyCode) const;
    void ScrollIntoView(int32_t index);

    int16_t LastButton = 0;
    int16_t LastShift = 0;
    float LastX = 0;
    float LastY = 0;

    PlaylistModel& model_;
    PlaylistView& view_;
    PlaylistEvents& events_;
    PlaylistScrollbar& bar_;
    int32_t scaleWidth_ = 0;
    int32_t previousWidth_ = 0;
    int32_t previousHeight_ = 0;
};

}  // namespace mulan::playlist
