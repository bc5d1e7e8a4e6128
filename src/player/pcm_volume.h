#pragma once

#include <cstdint>
#include <span>

namespace mulan::player {

// Scales samples for a player volume of 0 to 100. The gain follows the square of the volume, so
// equal steps of the slider sound roughly equal; 0 is silence and 100 leaves the samples alone.
void ApplyVolume(std::span<int16_t> samples, int32_t volume);

}  // namespace mulan::player
