#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "player/byte_source.h"

namespace mulan::player {

// The compressed bytes of a song as they download, shared between the download's owner, which
// appends, and a decoder thread, which reads. A read of bytes that have not arrived waits for
// them, the end of the download or a cancel; it never spins. A body without a length (a radio
// stream) keeps only a sliding window: bytes the reader has left far behind are dropped.
class CompressedBytes final : public ReadableBytes {
  public:
    // Bytes kept of a body without a length, beyond those the reader has not reached yet.
    static constexpr size_t kSlidingWindow = 4u << 20;

    explicit CompressedBytes(size_t slidingWindow = kSlidingWindow) : window_(slidingWindow) {}

    void SetLength(std::optional<uint64_t> length);
    // Called by the download's thread. While a body without a length is a whole window ahead of
    // the reader, waits for the reader (or a cancel), so a fast endless body cannot fill memory.
    void Append(std::span<const uint8_t> bytes);
    // No more bytes will come; broken: the transfer stopped before its end.
    void End(bool broken);
    // Wakes every waiting read; from now on reads fail. Frees the bytes held.
    void Cancel() override;

    // Copies bytes from offset; waits until they have all arrived or the download ends. Returns
    // the count copied (less at the end, 0 past it), or nothing when cancelled or the bytes were
    // dropped from the window. Reads far beyond the arrived bytes of a body without a length end
    // at once with 0, so a probe for a trailing tag does not wait for ever.
    std::optional<size_t> Read(uint64_t offset, std::span<uint8_t> into) override;

    // The body's length: its header's, or what arrived once it ended, or kUnknownLength.
    uint64_t length() const override;
    bool ended() const override;
    bool broken() const override;
    uint64_t arrived() const override;
    // Bytes held in memory.
    size_t held() const;

  private:
    void Slide();

    mutable std::mutex mutex_;
    std::condition_variable arrivedMore_;
    std::condition_variable readMore_;
    size_t window_;
    std::vector<uint8_t> bytes_;
    uint64_t first_ = 0;   // offset of bytes_[0]
    uint64_t readTo_ = 0;  // end of the latest read
    std::optional<uint64_t> length_;
    bool ended_ = false;
    bool broken_ = false;
    bool cancelled_ = false;
};

}  // namespace mulan::player
