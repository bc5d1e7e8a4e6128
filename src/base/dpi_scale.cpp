#include "base/dpi_scale.h"

#include <cmath>
#include <limits>

namespace mulan {

namespace {

int32_t UsableDpi(int32_t dpi) {
    return dpi < 1 ? kBaseDpi : dpi;
}

// value x numerator / denominator, halves to the even neighbour, kept within 32 bits.
int32_t MulDivHalfEven(int32_t value, int32_t numerator, int32_t denominator) {
    const double exact = static_cast<double>(value) * numerator / denominator;
    const double rounded = std::nearbyint(exact);
    constexpr double kLow = std::numeric_limits<int32_t>::min();
    constexpr double kHigh = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded < kLow ? kLow : rounded > kHigh ? kHigh : rounded);
}

}  // namespace

int32_t ScaleToDpi(int32_t pixels, int32_t dpi) {
    return MulDivHalfEven(pixels, UsableDpi(dpi), kBaseDpi);
}

int32_t ScaleFromDpi(int32_t pixels, int32_t dpi) {
    return MulDivHalfEven(pixels, kBaseDpi, UsableDpi(dpi));
}

int32_t TwipsToPixelsAt(int32_t twips, int32_t dpi) {
    return MulDivHalfEven(twips, UsableDpi(dpi), kTwipsPerInch);
}

}  // namespace mulan
