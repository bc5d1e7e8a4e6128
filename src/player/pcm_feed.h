#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "player/player_status.h"

namespace mulan::player {

// Decoded audio as the wave output draws it: whole frames of 16-bit interleaved samples by
// position. A decoder behind it may still be working; a read that finds nothing yet returns 0 and
// the feed tells its owner when there is more.
class PcmFeed {
  public:
    virtual ~PcmFeed() = default;
    virtual uint32_t sampleRate() const = 0;
    virtual uint16_t channels() const = 0;
    // Seconds; 0 while unknown.
    virtual double duration() const = 0;
    // Copies frames from `frame` on into `into`; returns the frames copied.
    virtual size_t Read(uint64_t frame, std::span<int16_t> into) = 0;
    // True when the song is known to end at or before `frame`.
    virtual bool EndsAt(uint64_t frame) const = 0;
    // Why the song cannot be played on past what the feed holds (its bytes broke off, it is cut
    // short), once the decoder knows.
    virtual std::optional<OpenFailure> failure() const { return std::nullopt; }
};

}  // namespace mulan::player
