#pragma once

#include <windows.h>

#include <memory>

#include "player/acm_decoder_win32.h"
#include "player/audio_track.h"
#include "player/http_download_win32.h"
#include "player/media_foundation_feed_win32.h"
#include "player/media_player.h"
#include "player/player_state.h"
#include "player/wave_output_win32.h"
#include "window/window_base_win32.h"

namespace mulan::player {

// The player on Windows: downloads the address with WinHTTP, decodes with Media Foundation as the
// bytes arrive (a few seconds ahead, on a worker thread), plays through the wave output and shows
// its state and position in its own child window. Where Media Foundation is missing, the system's
// audio compression manager decodes MP3 and WAV instead. The download, the decoder and the
// output each run on a thread of their own and report by message; the UI thread only keeps the
// state and tells them what the user asked.
class MediaPlayerWin32 final : public window::WindowBase, public MediaPlayer {
  public:
    explicit MediaPlayerWin32(MediaPlayerEvents* events = nullptr);
    ~MediaPlayerWin32() override;

    // The player's area; parent null makes a hidden top-level window (for tools and tests).
    bool Create(HWND parent, const RECT& area, int controlId);
    void SetEvents(MediaPlayerEvents* events) { state_.SetEvents(events); }

    Text URL() const override { return url_; }
    void SetURL(TextView url) override;
    void play() override;
    void pause() override;
    void stop() override;
    double currentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    double duration() const override;
    int32_t volume() const override { return volume_; }
    void SetVolume(int32_t volume) override;
    int32_t playState() const override { return static_cast<int32_t>(state_.state()); }
    Text status() const override { return state_.status(); }
    bool fullScreen() const override { return fullScreen_; }
    // Full screen takes the player area out of its window and over the whole screen; Esc, a
    // double click or false puts it back.
    void SetFullScreen(bool on) override;
    // The player's place in its window (client coordinates): taken at once, or, while the player
    // covers the screen, kept for its return.
    void Place(const RECT& area);
    bool enableContextMenu() const override { return enableContextMenu_; }
    void SetEnableContextMenu(bool on) override { enableContextMenu_ = on; }
    bool autoStart() const override { return autoStart_; }
    void SetAutoStart(bool on) override { autoStart_ = on; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDownload(WPARAM number);
    void OnFeed(WPARAM number, LPARAM event);
    void Unload();
    void OnOpened();
    void OnOutput(WPARAM run, LPARAM event);
    void EnterState(PlayState state);
    void FailWith(OpenFailure failure, int32_t httpStatus = 0);
    bool Playable() const { return feed_ && opened_; }
    bool Running() const;
    uint64_t FrameAt(double seconds) const;
    void Paint();
    // The position and length line the player shows under its status; empty while nothing plays.
    std::wstring ClockLine() const;
    void RaiseMouse(void (MediaPlayerEvents::*event)());

    PlayerState state_;
    AcmDecoderFactory decoders_;
    std::unique_ptr<AudioTrack> track_;  // decoding without Media Foundation
    std::shared_ptr<CompressedBytes> bytes_;
    std::unique_ptr<MediaFoundationFeed> streaming_;
    PcmFeed* feed_ = nullptr;  // the one of the two in use
    std::unique_ptr<HttpDownload> download_;
    WaveOutput output_;
    WPARAM downloadNumber_ = 0;
    bool downloadEnded_ = false;
    bool opened_ = false;
    bool playWhenReady_ = false;
    uint64_t cursorFrame_ = 0;  // position while the output does not run
    Text url_;
    int32_t volume_ = 50;
    bool fullScreen_ = false;
    HWND home_ = nullptr;  // the window the area belongs in while full screen
    RECT homeArea_{};
    bool enableContextMenu_ = true;
    bool autoStart_ = true;
    // The clock line last painted: the display timer repaints only when it would read differently.
    std::wstring paintedClock_;
};

}  // namespace mulan::player
