#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace mulan::player {

// A stretch of decoded 16-bit interleaved samples around the play position: the decoder adds
// at its end, the output reads from it, and what lies well behind the reader is dropped, so a
// song of any length costs only a few seconds of samples.
class PcmWindow {
  public:
    PcmWindow(uint16_t channels, size_t keepBehind)
        : channels_(channels ? channels : 1), keepBehind_(keepBehind) {}

    // Starts again empty at frame (after a seek).
    void Restart(uint64_t frame);
    // Appends decoded samples whose first frame is `frame`; frames before the window's end
    // (decoded again after a seek) are skipped, a gap restarts the window there.
    void Add(uint64_t frame, std::span<const int16_t> samples);
    // Copies frames from `frame` into `into` (whole frames); returns the frames copied. Frames
    // more than keepBehind before `frame` are dropped.
    size_t Read(uint64_t frame, std::span<int16_t> into);

    // Whether `frame` lies within the window or at its end.
    bool Covers(uint64_t frame) const { return frame >= first_ && frame <= end(); }
    uint64_t first() const { return first_; }
    uint64_t end() const { return first_ + samples_.size() / channels_; }
    // Frames decoded ahead of the latest read.
    uint64_t ahead() const { return end() > readAt_ ? end() - readAt_ : 0; }

  private:
    uint16_t channels_;
    size_t keepBehind_;
    std::vector<int16_t> samples_;
    uint64_t first_ = 0;
    uint64_t readAt_ = 0;
};

}  // namespace mulan::player
