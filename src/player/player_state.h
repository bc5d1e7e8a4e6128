#pragma once

#include <cstdint>

#include "player/media_player.h"
#include "player/player_status.h"

namespace mulan::player {

// The play state and status text every player back-end keeps, and the events that report their
// changes. Events go out after the new state is stored, so a handler sees it and may call back.
class PlayerState {
  public:
    void SetEvents(MediaPlayerEvents* events) { events_ = events; }
    MediaPlayerEvents* events() const { return events_; }

    PlayState state() const { return state_; }
    const Text& status() const { return status_; }
    bool failed() const { return failed_; }

    // Raises PlayStateChange when the state changes and StatusChange when the text changes.
    void Enter(PlayState state);
    // A failed open: the player is stopped and the status says why.
    void Fail(OpenFailure failure, int32_t httpStatus = 0);
    // Nothing loaded: no state, empty status.
    void Unload();

  private:
    void Set(PlayState state, Text status, bool failed);

    MediaPlayerEvents* events_ = nullptr;
    PlayState state_ = PlayState::Undefined;
    Text status_;
    bool failed_ = false;
};

}  // namespace mulan::player
