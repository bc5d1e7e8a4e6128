#pragma once

#include <cstdint>

#include "base/text.h"

namespace mulan::player {

// The player states the program reads; the numbers are those of the media player control it was
// written against, so that the rules comparing them keep their meaning.
enum class PlayState : int32_t {
    Undefined = 0,
    Stopped = 1,
    Paused = 2,
    Playing = 3,
    Buffering = 6,
    Waiting = 7,
    MediaEnded = 8,
    Transitioning = 9,
    Ready = 10,
};

// What the player tells its host. Handlers run on the UI thread, after the player's own state is
// complete, so a handler may call the player again.
class MediaPlayerEvents {
  public:
    virtual ~MediaPlayerEvents() = default;
    virtual void PlayStateChange(int32_t NewState) = 0;
    virtual void StatusChange() = 0;
    virtual void Click() = 0;
    virtual void DoubleClick() = 0;
    virtual void MouseDown() = 0;
    virtual void MouseUp() = 0;
    virtual void MouseMove() = 0;
};

// The embedded audio player: exactly the members the program uses. Positions and durations are in
// seconds; the volume runs from 0 to 100.
class MediaPlayer {
  public:
    virtual ~MediaPlayer() = default;

    // With autoStart on, a new address starts opening and playing it at once.
    virtual Text URL() const = 0;
    virtual void SetURL(TextView url) = 0;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual double currentPosition() const = 0;
    virtual void SetCurrentPosition(double seconds) = 0;

    // Length of the loaded song; 0 while unknown.
    virtual double duration() const = 0;

    virtual int32_t volume() const = 0;
    virtual void SetVolume(int32_t volume) = 0;

    virtual int32_t playState() const = 0;
    // Empty while nothing is loaded.
    virtual Text status() const = 0;

    virtual bool fullScreen() const = 0;
    virtual void SetFullScreen(bool on) = 0;
    virtual bool enableContextMenu() const = 0;
    virtual void SetEnableContextMenu(bool on) = 0;
    virtual bool autoStart() const = 0;
    virtual void SetAutoStart(bool on) = 0;
};

}  // namespace mulan::player
