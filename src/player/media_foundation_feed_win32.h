#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <thread>

#include "player/byte_source.h"
#include "player/pcm_feed.h"
#include "player/player_status.h"

namespace mulan::player {

// Decodes the downloading song with Media Foundation's source reader on a worker thread, a few
// seconds ahead of the output, into a bounded window of samples; a read outside the window
// repositions the reader there. The worker reports to the owner's window by message (wParam the
// feed's number, lParam an Event); the owner then asks the feed what happened.
class MediaFoundationFeed final : public PcmFeed {
  public:
    enum Event : LPARAM { Opened = 1, MoreSamples = 2, Failed = 3 };

    // Whether Media Foundation starts on this system; tried once, the answer is kept.
    static bool Available();
    // Loads the platform's decoder by decoding a moment of silence, so that the first song after
    // start-up opens as fast as a later one. Takes a while: for a worker thread, while a song
    // started meanwhile opens alongside it.
    static void WarmUp();

    MediaFoundationFeed(std::shared_ptr<ReadableBytes> bytes, HWND window, UINT message, WPARAM number);
    // Stops the worker without waiting for it: it lets go of everything when it wakes, so a
    // song change never waits for the system's decoder to wind down.
    ~MediaFoundationFeed() override;
    // Stops the worker and waits until it has let go of the decoder: for the end of the
    // program, which must not leave the decoder winding down while the process exits.
    void Finish();
    MediaFoundationFeed(const MediaFoundationFeed&) = delete;
    MediaFoundationFeed& operator=(const MediaFoundationFeed&) = delete;

    bool opened() const;
    // Why decoding failed, once it has.
    std::optional<OpenFailure> failure() const override;

    uint32_t sampleRate() const override;
    uint16_t channels() const override;
    double duration() const override;
    size_t Read(uint64_t frame, std::span<int16_t> into) override;
    bool EndsAt(uint64_t frame) const override;

    struct Shared;

  private:
    void Quit();

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};

}  // namespace mulan::player
