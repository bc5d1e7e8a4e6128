#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "library/song.h"

namespace mulan::library {

// text folded for matching without regard to case: Latin (ASCII, Latin-1, Latin Extended-A), Greek,
// Cyrillic and full-width Latin letters become lower case; everything else stays. UTF-8 in and out.
std::string FoldForSearch(std::string_view text);

// The words of a search key, folded: split at white space (ASCII, no-break and ideographic spaces).
std::vector<std::string> SearchWords(std::string_view key);

// What a song is searched by: title, singer and album, folded, one per line. A word never holds a line
// break, so no word can match across two of them.
std::string SearchTextOf(const Song& song);

// The page order: singer, then title (both with ASCII letters compared without regard to case, the rest
// by code point), then id.
bool PageOrderLess(const Song& a, const Song& b);

}  // namespace mulan::library
