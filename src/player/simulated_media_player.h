#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "player/media_player.h"
#include "player/player_state.h"

namespace mulan::player {

// A player on a virtual clock, for tests of the code that drives a player: addresses are looked up
// in a table of songs, and time moves only when the test calls Advance.
class SimulatedMediaPlayer final : public MediaPlayer {
  public:
    struct Song {
        double duration = 0;
        std::optional<OpenFailure> failure;  // set: opening the address fails this way
        int32_t httpStatus = 0;

        static Song Lasting(double seconds) { return Song{seconds, std::nullopt, 0}; }
        static Song Failing(OpenFailure failure, int32_t status = 0) { return Song{0, failure, status}; }
    };

    explicit SimulatedMediaPlayer(MediaPlayerEvents* events = nullptr);

    void AddSong(TextView url, Song song) { songs_[Text(url)] = song; }
    // Opening takes this long on the virtual clock; 0 opens at the next Advance.
    void SetOpenDelay(double seconds) { openDelay_ = seconds; }
    // Moves the virtual clock: finishes an open that is due and plays the time away.
    void Advance(double seconds);

    Text URL() const override { return url_; }
    void SetURL(TextView url) override;
    void play() override;
    void pause() override;
    void stop() override;
    double currentPosition() const override { return position_; }
    void SetCurrentPosition(double seconds) override;
    double duration() const override { return loaded_ ? song_.duration : 0; }
    int32_t volume() const override { return volume_; }
    void SetVolume(int32_t volume) override;
    int32_t playState() const override { return static_cast<int32_t>(state_.state()); }
    Text status() const override { return state_.status(); }
    bool fullScreen() const override { return fullScreen_; }
    void SetFullScreen(bool on) override { fullScreen_ = on; }
    bool enableContextMenu() const override { return enableContextMenu_; }
    void SetEnableContextMenu(bool on) override { enableContextMenu_ = on; }
    bool autoStart() const override { return autoStart_; }
    void SetAutoStart(bool on) override { autoStart_ = on; }

  private:
    void FinishOpen();

    PlayerState state_;
    std::map<Text, Song> songs_;
    Text url_;
    Song song_;
    bool opening_ = false;
    bool loaded_ = false;
    bool playWhenOpen_ = false;
    double openDelay_ = 0;
    double openElapsed_ = 0;
    double position_ = 0;
    int32_t volume_ = 50;
    bool fullScreen_ = false;
    bool enableContextMenu_ = true;
    bool autoStart_ = true;
};

}  // namespace mulan::player
