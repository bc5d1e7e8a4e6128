#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "site/codec.h"

namespace mulan::library {

// Lyrics as the lyrics page carries them: lines with [mm:ss.xx] time tags. The player shows a line only
// during the seconds its time tags name, so lyrics that come without times get times spread over the song.

// A lyrics text (a tag's, in UTF-8) larger than this is not lyrics, and is ignored.
inline constexpr std::size_t kMaxLyricsBytes = 256 * 1024;
// An .lrc file larger than this is ignored.
inline constexpr std::size_t kMaxLrcBytes = 1024 * 1024;
// Untimed lines of a song whose length is unknown come this many seconds apart.
inline constexpr double kUntimedStepSeconds = 4.0;

// "[mm:ss.xx]", hundredths rounded half to even (as Python's round); minutes from 00 to 999. Negative
// and not-a-number seconds give [00:00.00].
std::string TimeTag(double seconds);

// The lines of a lyrics text: its non-empty lines, stripped of white space and NUL characters, invalid
// UTF-8 replaced; kept as they are when any starts with a time tag ("[m:s]", "[mm:ss.xx]", "[mm:ss:xx]"),
// else given times spread evenly over duration seconds, or kUntimedStepSeconds apart when duration is
// not positive. nullopt for no lines, and for a text larger than kMaxLyricsBytes.
std::optional<std::vector<std::string>> LinesFromText(std::string_view text, double duration);

// The lines of synchronised lyrics, (text, seconds) entries: in time order (entries at one time keep
// their order), each line of an entry's text under the entry's time tag. nullopt for no lines, and when
// the texts together are larger than kMaxLyricsBytes.
std::optional<std::vector<std::string>> LinesFromTimed(std::vector<std::pair<std::string, double>> entries);

// The non-empty stripped lines of an .lrc file, as they are (times included): UTF-8 with or without a
// byte order mark, else GBK. nullopt for a file without lines, one that cannot be read, and one larger
// than kMaxLrcBytes (no more than kMaxLrcBytes + 1 bytes are read).
std::optional<std::vector<std::string>> ReadLrcFile(const std::filesystem::path& file,
                                                    const site::Codec& codec);

}  // namespace mulan::library
