#include "player/player_core.h"

#include <algorithm>
#include <cmath>

namespace mulan::player {

namespace {

bool Sounding(PlayState state) {
    return state == PlayState::Playing || state == PlayState::Buffering;
}

}  // namespace

void PlayerCore::Unload() {
    // The output goes first: its thread reads the feed.
    output_.Close();
    host_.Release();
    feed_ = nullptr;
}

bool PlayerCore::Load(TextView url) {
    Unload();
    cursorFrame_ = 0;
    url_ = Text(url);
    if (url_.empty()) {
        Enter(PlayState::Undefined);
        return false;
    }
    playWhenReady_ = autoStart_;
    ++number_;
    Enter(PlayState::Transitioning);
    return true;
}

void PlayerCore::Opened(PcmFeed& feed) {
    if (!output_.Open(feed)) {
        Fail(OpenFailure::NoSoundDevice);
        return;
    }
    output_.SetVolume(volume_);
    feed_ = &feed;
    if (!playWhenReady_) {
        Enter(PlayState::Ready);
        return;
    }
    output_.Start(0, false);
    Enter(PlayState::Playing);
}

bool PlayerCore::SourceEnded(const std::optional<OpenFailure>& failure, int32_t httpStatus,
                             bool anythingArrived) {
    if (!failure || playable() || anythingArrived) return false;
    Fail(*failure, httpStatus);
    return true;
}

void PlayerCore::Fail(OpenFailure failure, int32_t httpStatus) {
    Unload();
    host_.Show(PlayState::Stopped);
    state_.Fail(failure, httpStatus);
}

bool PlayerCore::Running() const {
    const PlayState s = state_.state();
    return playable() && (Sounding(s) || s == PlayState::Paused);
}

void PlayerCore::OutputReport(uint64_t run, bool ended) {
    if (!playable()) return;
    const PlayState s = state_.state();
    if (ended) {
        if (!output_.IsCurrent(run) || !Sounding(s)) return;
        // A song whose bytes broke off plays what came, then says so.
        if (const std::optional<OpenFailure> failure = feed_->failure()) {
            Fail(*failure);
            return;
        }
        cursorFrame_ = 0;
        Enter(PlayState::MediaEnded);
        return;
    }
    // Whether it ran dry or flows again is asked, not taken from the report, which may be late.
    if (!Sounding(s)) return;
    const PlayState now = output_.Starved() ? PlayState::Buffering : PlayState::Playing;
    if (now != s) Enter(now);
}

void PlayerCore::Play() {
    if (url_.empty() || state_.failed()) return;
    if (!playable()) {
        playWhenReady_ = true;
        return;
    }
    switch (state_.state()) {
        case PlayState::Playing:
        case PlayState::Buffering:
            return;
        case PlayState::Paused:
            output_.Resume();
            Enter(PlayState::Playing);
            return;
        default:
            output_.Start(cursorFrame_, false);
            Enter(PlayState::Playing);
    }
}

void PlayerCore::Pause() {
    if (!playable() || !Sounding(state_.state())) return;
    output_.Pause();
    Enter(PlayState::Paused);
}

void PlayerCore::Stop() {
    if (url_.empty() || state_.failed()) return;
    if (!playable()) {
        // The song goes on opening; it then waits in Ready.
        playWhenReady_ = false;
        Enter(PlayState::Stopped);
        return;
    }
    output_.Stop();
    cursorFrame_ = 0;
    Enter(PlayState::Stopped);
}

double PlayerCore::Position() const {
    if (!playable()) return 0;
    uint64_t frame = cursorFrame_;
    if (Running()) frame = output_.Position();
    return static_cast<double>(frame) / feed_->sampleRate();
}

uint64_t PlayerCore::FrameAt(double seconds) const {
    const double wanted = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
    // A stream without a known length can only be placed where it has been.
    const double limit = Duration() > 0 ? Duration() : Position();
    return static_cast<uint64_t>(std::min(wanted, limit) * feed_->sampleRate());
}

void PlayerCore::Seek(double seconds) {
    if (!playable()) return;
    const uint64_t frame = FrameAt(seconds);
    if (!Running()) {
        cursorFrame_ = frame;
        return;
    }
    // A paused song stays paused at the new place, with the buffers ready.
    output_.Start(frame, state_.state() == PlayState::Paused);
}

double PlayerCore::Duration() const {
    return playable() ? feed_->duration() : 0;
}

void PlayerCore::SetVolume(int32_t volume) {
    const int32_t changed = std::clamp(volume, 0, 100);
    if (changed == volume_) return;
    volume_ = changed;
    output_.SetVolume(volume_);
}

void PlayerCore::Enter(PlayState state) {
    host_.Show(state);
    if (state == PlayState::Undefined) {
        state_.Unload();
    } else {
        state_.Enter(state);
    }
}

}  // namespace mulan::player
