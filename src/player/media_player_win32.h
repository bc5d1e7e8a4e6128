#pragma once

#include <windows.h>

#include <memory>

#include "player/acm_decoder_win32.h"
#include "player/audio_track.h"
#include "player/byte_source.h"
#include "player/media_foundation_feed_win32.h"
#include "player/media_player.h"
#include "player/player_core.h"
#include "player/wave_output_win32.h"
#include "window/window_base_win32.h"

namespace mulan::player {

// The player on Windows: reads the song's file, or downloads its address with WinHTTP, decodes with Media
// Foundation as the bytes arrive (a few seconds ahead, on a worker thread), plays through the wave output and
// shows its state and position in its own child window. Where Media Foundation is missing, the system's audio
// compression manager decodes MP3 and WAV instead. The download, the decoder and the output each run on a
// thread of their own and report by message; the UI thread passes their word and the user's to the
// player's rules (PlayerCore), which keep the state.
class MediaPlayerWin32 final : public window::WindowBase, public MediaPlayer, private PlayerCore::Host {
  public:
    explicit MediaPlayerWin32(MediaPlayerEvents* events = nullptr);
    ~MediaPlayerWin32() override;

    // Loads the platform's decoder in the background, so that the first song plays as soon as a
    // later one: for the program to call once its window shows. Never blocks.
    static void WarmUp();

    // The player's area; parent null makes a hidden top-level window (for tools and tests).
    bool Create(HWND parent, const RECT& area, int controlId);
    void SetEvents(MediaPlayerEvents* events) { core_.SetEvents(events); }

    Text URL() const override { return core_.url(); }
    void SetURL(TextView url) override;
    void play() override { core_.Play(); }
    void pause() override { core_.Pause(); }
    void stop() override { core_.Stop(); }
    double currentPosition() const override { return core_.Position(); }
    void SetCurrentPosition(double seconds) override { core_.Seek(seconds); }
    double duration() const override { return core_.Duration(); }
    int32_t volume() const override { return core_.volume(); }
    void SetVolume(int32_t volume) override { core_.SetVolume(volume); }
    int32_t playState() const override { return static_cast<int32_t>(core_.state()); }
    Text status() const override { return core_.status(); }
    bool fullScreen() const override { return fullScreen_; }
    // Full screen takes the player area out of its window and over the whole screen; Esc, a
    // double click or false puts it back.
    void SetFullScreen(bool on) override;
    // The player's place in its window (client coordinates): taken at once, or, while the player
    // covers the screen, kept for its return.
    void Place(const RECT& area);
    // The position and length line as it was last painted.
    const std::wstring& ShownClock() const { return paintedClock_; }
    bool enableContextMenu() const override { return enableContextMenu_; }
    void SetEnableContextMenu(bool on) override { enableContextMenu_ = on; }
    bool autoStart() const override { return core_.autoStart(); }
    void SetAutoStart(bool on) override { core_.SetAutoStart(on); }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnDownload(WPARAM number);
    void OnFeed(WPARAM number, LPARAM event);
    void Release() override;
    void Show(PlayState state) override;
    void Paint();
    // Wakes the display timer just after the song's next whole second, when the clock line turns,
    // while a song plays and the player can be seen; hidden, it sleeps until the next paint.
    void ArmClock();
    // The position and length line the player shows under its status; empty while nothing plays.
    std::wstring ClockLine() const;
    void RaiseMouse(void (MediaPlayerEvents::*event)());

    WaveOutput output_;
    PlayerCore core_{output_, *this};
    AcmDecoderFactory decoders_;
    std::unique_ptr<AudioTrack> track_;     // decoding without Media Foundation
    std::shared_ptr<ReadableBytes> bytes_;  // what Media Foundation reads, while it decodes
    std::unique_ptr<MediaFoundationFeed> streaming_;
    std::unique_ptr<ByteSource> download_;
    bool downloadEnded_ = false;
    bool fullScreen_ = false;
    HWND home_ = nullptr;  // the window the area belongs in while full screen
    RECT homeArea_{};
    bool enableContextMenu_ = true;
    // The clock line last painted: the display timer repaints only when it would read differently.
    std::wstring paintedClock_;
    bool clockRuns_ = false;  // playing or buffering: the clock line may turn
};

}  // namespace mulan::player
