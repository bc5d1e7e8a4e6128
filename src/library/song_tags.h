#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mulan::library {

// What a file's tags (or, failing them, its name) say about a song. Texts are UTF-8.
struct SongTags {
    std::string title;
    std::string singer;
    std::string album;
    double duration = 0;              // seconds; 0 when unknown
    std::vector<std::string> lyrics;  // lines with [mm:ss.xx] times; empty when the tags have none
};

// Longest title, singer or album kept, in bytes (cut at a character boundary).
inline constexpr std::size_t kMaxFieldBytes = 1500;

// value as one line of page text: control characters become spaces, runs of white space one space,
// ends trimmed, invalid UTF-8 replaced, bounded by kMaxFieldBytes.
std::string OneLine(std::string_view value);

// The file-name rule for files without a title tag: "singer - title.ext", else "title.ext".
SongTags TagsFromName(std::string_view relative);

}  // namespace mulan::library
