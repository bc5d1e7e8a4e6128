#include "player/compressed_bytes.h"

#include <algorithm>
#include <cstring>

namespace mulan::player {

namespace {

// How far past the arrived bytes a read of a body without a length may look before it is taken
// for a probe of the end rather than the next bytes of the stream.
constexpr uint64_t kReadAhead = 1u << 20;

}  // namespace

void CompressedBytes::SetLength(std::optional<uint64_t> length) {
    std::lock_guard lock(mutex_);
    if (!ended_) length_ = length;
}

void CompressedBytes::Append(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    {
        std::unique_lock lock(mutex_);
        readMore_.wait(
            lock, [this] { return cancelled_ || length_ || first_ + bytes_.size() < readTo_ + window_; });
        if (ended_ || cancelled_) return;
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        if (!length_) Slide();
    }
    arrivedMore_.notify_all();
}

// Drops, in large steps so that the work stays linear, what lies more than a window behind the
// reader.
void CompressedBytes::Slide() {
    if (readTo_ <= first_ + window_ + window_ / 4) return;
    const uint64_t keepFrom = readTo_ - window_;
    const auto drop = static_cast<size_t>(std::min<uint64_t>(keepFrom - first_, bytes_.size()));
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(drop));
    first_ += drop;
}

void CompressedBytes::End(bool broken) {
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        ended_ = true;
        broken_ = broken;
    }
    arrivedMore_.notify_all();
}

void CompressedBytes::Cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        // Nothing reads or appends after a cancel, and a decoder of the system may hold on to its
        // byte stream (and so to this object) after it is let go: the song's bytes go now.
        std::vector<uint8_t>().swap(bytes_);
    }
    arrivedMore_.notify_all();
    readMore_.notify_all();
}

std::optional<size_t> CompressedBytes::Read(uint64_t offset, std::span<uint8_t> into) {
    std::unique_lock lock(mutex_);
    const auto arrivedEnd = [this] { return first_ + bytes_.size(); };
    if (!length_ && offset > arrivedEnd() + kReadAhead) return 0;
    const uint64_t wanted = offset + into.size();
    arrivedMore_.wait(lock, [&] { return cancelled_ || ended_ || arrivedEnd() >= wanted; });
    if (cancelled_ || offset < first_) return std::nullopt;
    const uint64_t end = std::min(wanted, arrivedEnd());
    if (offset >= end) return 0;
    const auto count = static_cast<size_t>(end - offset);
    std::memcpy(into.data(), bytes_.data() + (offset - first_), count);
    readTo_ = std::max(readTo_, end);
    if (!length_) Slide();
    lock.unlock();
    readMore_.notify_all();
    return count;
}

uint64_t CompressedBytes::length() const {
    std::lock_guard lock(mutex_);
    if (ended_) return first_ + bytes_.size();
    return length_.value_or(kUnknownLength);
}

bool CompressedBytes::ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

bool CompressedBytes::broken() const {
    std::lock_guard lock(mutex_);
    return broken_;
}

uint64_t CompressedBytes::arrived() const {
    std::lock_guard lock(mutex_);
    return first_ + bytes_.size();
}

size_t CompressedBytes::held() const {
    std::lock_guard lock(mutex_);
    return bytes_.size();
}

}  // namespace mulan::player
