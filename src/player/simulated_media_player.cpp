#include "player/simulated_media_player.h"

#include <algorithm>

namespace mulan::player {

SimulatedMediaPlayer::SimulatedMediaPlayer(MediaPlayerEvents* events) {
    state_.SetEvents(events);
}

void SimulatedMediaPlayer::SetURL(TextView url) {
    url_ = Text(url);
    loaded_ = false;
    position_ = 0;
    if (url_.empty()) {
        opening_ = false;
        state_.Unload();
        return;
    }
    opening_ = true;
    openElapsed_ = 0;
    playWhenOpen_ = autoStart_;
    state_.Enter(PlayState::Transitioning);
}

void SimulatedMediaPlayer::FinishOpen() {
    opening_ = false;
    const auto found = songs_.find(url_);
    if (found == songs_.end()) {
        state_.Fail(OpenFailure::NoConnection);
        return;
    }
    song_ = found->second;
    if (song_.failure) {
        state_.Fail(*song_.failure, song_.httpStatus);
        return;
    }
    loaded_ = true;
    state_.Enter(playWhenOpen_ ? PlayState::Playing : PlayState::Ready);
}

void SimulatedMediaPlayer::Advance(double seconds) {
    if (opening_) {
        openElapsed_ += seconds;
        if (openElapsed_ < openDelay_) return;
        seconds = openElapsed_ - openDelay_;
        FinishOpen();
    }
    if (!loaded_ || state_.state() != PlayState::Playing) return;
    position_ = std::min(song_.duration, position_ + seconds);
    if (position_ >= song_.duration) state_.Enter(PlayState::MediaEnded);
}

void SimulatedMediaPlayer::play() {
    if (opening_) {
        playWhenOpen_ = true;
        return;
    }
    // A failed address stays failed until a new one is given: retrying it from a status handler
    // would request it again and again.
    if (!loaded_) return;
    if (state_.state() == PlayState::MediaEnded) position_ = 0;
    state_.Enter(PlayState::Playing);
}

void SimulatedMediaPlayer::pause() {
    if (loaded_ && state_.state() == PlayState::Playing) state_.Enter(PlayState::Paused);
}

void SimulatedMediaPlayer::stop() {
    if (opening_) {
        // The open goes on; it ends in Ready instead of playing.
        playWhenOpen_ = false;
        state_.Enter(PlayState::Stopped);
        return;
    }
    if (!loaded_) return;
    position_ = 0;
    state_.Enter(PlayState::Stopped);
}

void SimulatedMediaPlayer::SetCurrentPosition(double seconds) {
    if (!loaded_) return;
    position_ = std::clamp(seconds, 0.0, song_.duration);
}

void SimulatedMediaPlayer::SetVolume(int32_t volume) {
    volume_ = std::clamp(volume, 0, 100);
}

}  // namespace mulan::player
