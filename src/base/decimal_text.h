#pragma once

#include <cstdint>

#include "base/text.h"

namespace mulan {

// A whole number as the program shows and stores it: decimal digits, '-' before a negative one, at
// least minDigits digits with zeros in front ("07" for 7 and 2; "-07" for -7 and 2). Every value,
// INT64_MIN included, has its exact text.
Text DecimalText(int64_t value, int minDigits = 1);

}  // namespace mulan
