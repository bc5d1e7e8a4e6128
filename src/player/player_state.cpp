#include "player/player_state.h"

#include <utility>

namespace mulan::player {

void PlayerState::Enter(PlayState state) {
    Set(state, StatusText(state), false);
}

void PlayerState::Fail(OpenFailure failure, int32_t httpStatus) {
    Set(PlayState::Stopped, FailureStatus(failure, httpStatus), true);
}

void PlayerState::Unload() {
    Set(PlayState::Undefined, Text(), false);
}

void PlayerState::Set(PlayState state, Text status, bool failed) {
    const bool stateChanged = state != state_;
    const bool statusChanged = status != status_;
    state_ = state;
    status_ = std::move(status);
    failed_ = failed;
    if (!events_) return;
    if (stateChanged) events_->PlayStateChange(static_cast<int32_t>(state));
    if (statusChanged || stateChanged) events_->StatusChange();
}

}  // namespace mulan::player
