#pragma once

#include <cstdint>

#include "player/pcm_feed.h"

namespace mulan::player {

// The sound output as the player drives it: it plays a feed's frames from a place, and tells its
// owner (by a channel of its own) when it runs dry, flows again or reaches the end; each run has a
// number, so that a late word of an earlier run is known.
class SoundOutput {
  public:
    virtual ~SoundOutput() = default;

    // Opens the system's output for the feed's format; false when there is none. The feed must
    // outlive Close.
    virtual bool Open(PcmFeed& feed) = 0;
    virtual void Close() = 0;
    // Drops what is queued and plays from `frame`, or stays paused there with the buffers filled.
    virtual void Start(uint64_t frame, bool paused) = 0;
    // Drops what is queued; nothing plays until the next Start.
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void SetVolume(int32_t volume) = 0;
    // The feed has more frames: an output that ran dry takes them.
    virtual void MoreData() = 0;
    // The frame being heard.
    virtual uint64_t Position() const = 0;
    // Running with nothing queued, waiting for the feed.
    virtual bool Starved() const = 0;
    // Whether a word of this run number belongs to the current run.
    virtual bool IsCurrent(uint64_t run) const = 0;
};

}  // namespace mulan::player
