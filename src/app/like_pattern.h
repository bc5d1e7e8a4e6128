#pragma once

#include "base/text.h"

namespace mulan::app {

// The wildcard match the search box completes with, case-sensitive: "*" any run of characters, "?"
// one character, "#" one digit, "[...]" one character of a list or range ("[!...]" one not in it).
// An unclosed "[" stands for itself. Runs in time proportional to text times pattern at worst.
bool LikePattern(TextView text, TextView pattern);

}  // namespace mulan::app
