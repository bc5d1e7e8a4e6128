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

// Lyrics as the lyrics page carries them: each line one [mm:ss.xx] time tag and its text, in time order.
// The player shows a line during the second its leading time tag names (the last line naming a second
// wins), so every dialect of timed lyrics is brought to that one form, and lyrics that come without
// times get times spread over the song.

// A lyrics text (a tag's, in UTF-8) larger than this is not lyrics, and is ignored.
inline constexpr std::size_t kMaxLyricsBytes = 256 * 1024;
// An .lrc file larger than this is ignored.
inline constexpr std::size_t kMaxLrcBytes = 1024 * 1024;
// Lines past this many bytes together (in time order) are left out: a line with thousands of time tags
// would otherwise repeat its text thousands of times.
inline constexpr std::size_t kMaxLinesBytes = 2 * kMaxLrcBytes;
// Untimed lines of a song whose length is unknown come this many seconds apart.
inline constexpr double kUntimedStepSeconds = 4.0;

// "[mm:ss.xx]", hundredths rounded half to even (as Python's round); minutes from 00 to 999. Negative
// and not-a-number seconds give [00:00.00].
std::string TimeTag(double seconds);

// The lines of a lyrics text (UTF-8, invalid sequences replaced, NUL characters dropped, each line
// stripped of white space). Timed when any line starts with a time tag: [m:s], [mm:ss], [mm:ss.x],
// [mm:ss.xx], [mm:ss.xxx] or [mm:ss:xx] (1–3 minute digits, 1–2 second digits, 1–3 fraction digits).
// Timed text becomes one line per leading time tag, each TimeTag(time) and the line's text, sorted by
// time (lines at one time keep their order, so a translation stays after its original); the first
// [offset:±ms] is subtracted from every time (positive shows lines earlier; clamped at 0); word timing
// (<mm:ss.xx>) and time tags inside the text are removed; lines without a time tag are left out; a
// timed line left without text is kept (it ends the line before it, and the player then shows nothing)
// unless a line with text falls in the same second; lines past kMaxLinesBytes are left out. Untimed text
// keeps its lines, given times spread evenly over duration seconds, or kUntimedStepSeconds apart when
// duration is not positive. Header tags ([ti:], [ar:], [offset:], any [letters:...]) are never lines. nullopt
// for no lines with text, and for a text larger than kMaxLyricsBytes.
std::optional<std::vector<std::string>> LinesFromText(std::string_view text, double duration);

// The lines of synchronised lyrics, (text, seconds) entries: in time order (entries at one time keep
// their order), each line of an entry's text under the entry's time tag. nullopt for no lines, and when
// the texts together are larger than kMaxLyricsBytes.
std::optional<std::vector<std::string>> LinesFromTimed(std::vector<std::pair<std::string, double>> entries);

// The lines of an .lrc file's bytes, as LinesFromText makes them but without its kMaxLyricsBytes limit
// (the caller bounds the bytes): UTF-16 LE or BE with a byte order mark, UTF-8 with a byte order mark
// or when the bytes are valid UTF-8, else GB18030 (GBK). duration spreads a file without times, as there.
std::optional<std::vector<std::string>> LinesFromLrc(std::string_view bytes, const site::Codec& codec,
                                                     double duration = 0);

// LinesFromLrc of an .lrc file. nullopt for a file without lines, one that cannot be read, and one
// larger than kMaxLrcBytes (no more than kMaxLrcBytes + 1 bytes are read).
std::optional<std::vector<std::string>> ReadLrcFile(const std::filesystem::path& file,
                                                    const site::Codec& codec, double duration = 0);

}  // namespace mulan::library
