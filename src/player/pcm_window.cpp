#include "player/pcm_window.h"

#include <algorithm>
#include <cstring>

namespace mulan::player {

void PcmWindow::Restart(uint64_t frame) {
    samples_.clear();
    first_ = readAt_ = frame;
}

void PcmWindow::Add(uint64_t frame, std::span<const int16_t> samples) {
    const size_t frames = samples.size() / channels_;
    if (frame > end()) {
        Restart(frame);
    }
    const uint64_t skip = end() - std::min(end(), frame);
    if (skip >= frames) return;
    const auto from = static_cast<std::ptrdiff_t>(skip * channels_);
    samples_.insert(samples_.end(), samples.begin() + from,
                    samples.begin() + static_cast<std::ptrdiff_t>(frames * channels_));
}

size_t PcmWindow::Read(uint64_t frame, std::span<int16_t> into) {
    if (!Covers(frame)) return 0;
    readAt_ = frame;
    const auto count = static_cast<size_t>(std::min<uint64_t>(into.size() / channels_, end() - frame));
    std::memcpy(into.data(), samples_.data() + (frame - first_) * channels_,
                count * channels_ * sizeof(int16_t));
    readAt_ = frame + count;
    // Dropped in steps of at least keepBehind frames, so the copying stays linear in the song.
    if (frame - first_ > 2 * keepBehind_) {
        const uint64_t drop = frame - first_ - keepBehind_;
        samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(drop * channels_));
        first_ += drop;
    }
    return count;
}

}  // namespace mulan::player
