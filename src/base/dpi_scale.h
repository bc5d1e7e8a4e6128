#pragma once

#include <cstdint>

namespace mulan {

// The resolution every stored pixel value is given at, and the twips in a logical inch.
inline constexpr int32_t kBaseDpi = 96;
inline constexpr int32_t kTwipsPerInch = 1440;

// A pixel metric of the 96-DPI design at dpi: pixels x dpi / 96, halves to the even neighbour.
// A dpi below 1 counts as the design's own.
int32_t ScaleToDpi(int32_t pixels, int32_t dpi);
// Back from dpi to the 96-DPI design, rounded the same way.
int32_t ScaleFromDpi(int32_t pixels, int32_t dpi);
// Twips to pixels at dpi: twips x dpi / 1440, halves to the even neighbour.
int32_t TwipsToPixelsAt(int32_t twips, int32_t dpi);

}  // namespace mulan
