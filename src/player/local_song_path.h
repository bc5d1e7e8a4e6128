#pragma once

#include <optional>

#include "base/text.h"

namespace mulan::player {

// The file a song's address names, when it names one on this computer or its network: an absolute
// Windows path ("C:\Music\a.mp3", "C:/Music/a.mp3", "\\server\share\a.mp3") as a path with
// backslashes, or a file URL ("file:///C:/Music/a%20b.mp3", "file://server/share/a.mp3") decoded
// from its percent escapes as UTF-8. Nothing for every other address, which goes to a server.
std::optional<Text> LocalSongPath(TextView address);

}  // namespace mulan::player
