#pragma once

#include <cstdint>

#include "base/text.h"

namespace mulan::scrollbar {

// The persisted properties of one scrollbar, with their defaults.
struct ScrollbarProperties {
    bool enabled = true;
    std::int32_t min = 0;
    std::int32_t max = 100;
    std::int32_t value = 0;
    std::int32_t smallChange = 1;
    std::int32_t largeChange = 10;
    std::int32_t changeDelay = 500;
    std::int32_t changeFrequency = 50;
    std::int32_t orientation = 0;
    bool showButtons = true;

    bool operator==(const ScrollbarProperties&) const = default;
};

// A stored property set is text of "Key=Value" lines. Keys match without regard to case; a missing
// key, or a value that is not a number (or True/False), reads as its default. Values are taken as
// they stand: the setters' clamping rules do not apply on loading.
ScrollbarProperties ReadScrollbarProperties(TextView stored);

// Writes the keys in their fixed order, leaving out the ones equal to their default.
Text WriteScrollbarProperties(const ScrollbarProperties& properties);

}  // namespace mulan::scrollbar
