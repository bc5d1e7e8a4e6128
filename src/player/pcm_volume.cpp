#include "player/pcm_volume.h"

#include <algorithm>

namespace mulan::player {

void ApplyVolume(std::span<int16_t> samples, int32_t volume) {
    const int32_t v = std::clamp(volume, 0, 100);
    if (v == 100) return;
    // Gain in 1/10000 steps: v * v.
    const int32_t gain = v * v;
    for (int16_t& sample : samples) sample = static_cast<int16_t>(sample * gain / 10000);
}

}  // namespace mulan::player
