#pragma once

#include <cstdint>
#include <optional>

#include "base/text.h"
#include "player/media_player.h"
#include "player/pcm_feed.h"
#include "player/player_state.h"
#include "player/player_status.h"
#include "player/sound_output.h"

namespace mulan::player {

// The player's rules, apart from where the bytes come from, how they are decoded and which
// system plays them: what play, pause, stop and a seek do in each state, where the song is, and
// what the opening, the end and a failure of a song make of the state. The platform's player owns
// the window, the threads and their objects, and passes on what they report; the core drives the
// output and tells the host when a song's objects go and what the user is to see.
class PlayerCore {
  public:
    class Host {
      public:
        virtual ~Host() = default;
        // Let go of the song's source and decoder; the output is closed already.
        virtual void Release() = 0;
        // The state about to be entered, for the display (a clock runs while playing).
        virtual void Show(PlayState state) = 0;
    };

    PlayerCore(SoundOutput& output, Host& host) : output_(output), host_(host) {}
    PlayerCore(const PlayerCore&) = delete;
    PlayerCore& operator=(const PlayerCore&) = delete;

    void SetEvents(MediaPlayerEvents* events) { state_.SetEvents(events); }
    MediaPlayerEvents* events() const { return state_.events(); }

    // What the user asks, as MediaPlayer has it.
    const Text& url() const { return url_; }
    // A new address: the old song goes. True when the host is to open the new one as song
    // number(); false for the empty address, which leaves nothing loaded.
    bool Load(TextView url);
    void Play();
    void Pause();
    void Stop();
    double Position() const;
    void Seek(double seconds);
    double Duration() const;
    int32_t volume() const { return volume_; }
    void SetVolume(int32_t volume);
    bool autoStart() const { return autoStart_; }
    void SetAutoStart(bool on) { autoStart_ = on; }
    PlayState state() const { return state_.state(); }
    const Text& status() const { return state_.status(); }

    // What the song's objects report.
    // The number of the song being opened: words of an earlier one are ignored.
    uint64_t number() const { return number_; }
    // The song can be played from the feed (which stays until the host's Release).
    void Opened(PcmFeed& feed);
    // The source has all it will give. A failure before anything arrived fails the song; after
    // some bytes, the decoder plays what came and then tells. True when the song failed.
    bool SourceEnded(const std::optional<OpenFailure>& failure, int32_t httpStatus, bool anythingArrived);
    // The song cannot be played on.
    void Fail(OpenFailure failure, int32_t httpStatus = 0);
    // The feed has more frames.
    void MoreData() { output_.MoreData(); }
    // The output ran dry, flows again (ended false), or played the song to its end.
    void OutputReport(uint64_t run, bool ended);

    bool playable() const { return feed_ != nullptr; }

  private:
    bool Running() const;
    uint64_t FrameAt(double seconds) const;
    void Unload();
    void Enter(PlayState state);

    SoundOutput& output_;
    Host& host_;
    PlayerState state_;
    PcmFeed* feed_ = nullptr;  // set while the opened song can be played
    bool playWhenReady_ = false;
    uint64_t cursorFrame_ = 0;  // position while the output does not run
    uint64_t number_ = 0;
    Text url_;
    int32_t volume_ = 50;
    bool autoStart_ = true;
};

}  // namespace mulan::player
