#pragma once

#include <cstdint>

#include "controls/playlist/playlist_model.h"
#include "controls/playlist/playlist_scrollbar.h"
#include "controls/playlist/playlist_view.h"

namespace mulan::playlist {

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
