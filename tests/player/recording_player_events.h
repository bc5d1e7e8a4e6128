#pragma once

#include <string>
#include <vector>

#include "player/media_player.h"

namespace mulan::player {

// Records the player's events in order, as "state N", "status", "click" and so on.
class RecordingPlayerEvents : public MediaPlayerEvents {
  public:
    std::vector<std::string> events;
    MediaPlayer* player = nullptr;  // set to record the status text with each StatusChange

    void PlayStateChange(int32_t NewState) override { events.push_back("state " + std::to_string(NewState)); }
    void StatusChange() override { events.push_back("status"); }
    void Click() override { events.push_back("click"); }
    void DoubleClick() override { events.push_back("dblclick"); }
    void MouseDown() override { events.push_back("down"); }
    void MouseUp() override { events.push_back("up"); }
    void MouseMove() override { events.push_back("move"); }
};

}  // namespace mulan::player
