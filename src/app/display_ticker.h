#pragma once

#include <vector>

#include "app/display_view.h"
#include "base/text.h"
#include "player/media_player.h"

namespace mulan::app {

// The display ticks: the progress bar, the progress slider, the volume, panel 2 and the lyric line
// follow the player. A control is told only what changes its picture: the bar a move of a pixel,
// the slider a new whole second, a text a new text; nothing happens while no song is loaded.
class DisplayTicker {
  public:
    DisplayTicker(player::MediaPlayer& player, DisplayView& view) : player_(player), view_(view) {}

    // Timer3's tick (full: the slider and the volume too) or Timer4's (reduced).
    void Tick(bool full, const std::vector<Text>& lyricLines);

  private:
    void ShowProgress(double duration, double position);
    void ShowSeekPosition(double duration, double position);

    player::MediaPlayer& player_;
    DisplayView& view_;
};

}  // namespace mulan::app
