#pragma once

#include "base/text.h"

namespace mulan::site {

// The cutting rules the page readers share. Every search is case-sensitive and finds the first
// occurrence; a marker that is absent leaves the text as it is.

// Keeps what follows the first character of marker: the rest of the marker stays at the front.
Text AfterMarker(TextView text, TextView marker);
// Keeps what follows the first occurrence of a single character.
Text AfterFirst(TextView text, char16_t c);
// Keeps what precedes marker.
Text BeforeMarker(TextView text, TextView marker);
bool Contains(TextView text, TextView marker);
// One pass from left to right: a replacement never takes part in a later match.
Text ReplaceAll(TextView text, TextView from, TextView to);
Text RemoveAll(TextView text, TextView what);
// Removes spaces (U+0020 only) at both ends.
Text TrimSpaces(TextView text);

}  // namespace mulan::site
