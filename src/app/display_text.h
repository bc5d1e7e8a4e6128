#pragma once

#include <optional>
#include <vector>

#include "base/text.h"

namespace mulan::app {

// The play position as "mm:ss.xx": the seconds rounded to hundredths, minutes growing to three
// digits from 6000 seconds on.
Text GetMusicLong(double seconds);

// The text of the lyric line for the time t ("mm:ss.xx"): every line holding t's first five
// characters gives the text after its last "]", and the last such line wins. Nothing when no line
// with a "]" matches, so the label keeps what it shows.
std::optional<Text> LyricLineFor(const std::vector<Text>& lines, TextView t);

// The playlist's hover text for an entry, with every space removed.
Text PlaylistToolTip(TextView url, TextView title);
Text StatusBarToolTip(TextView panel1, TextView panel2);

}  // namespace mulan::app
