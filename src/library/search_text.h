#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "library/chinese_text.h"
#include "library/song.h"

namespace mulan::library {

// text folded for matching without regard to case, width or script: full-width forms become their
// ASCII and the ideographic space a space; Latin (ASCII, Latin-1, Latin Extended-A), Greek and
// Cyrillic letters become lower case; traditional Chinese characters become simplified; everything
// else stays. UTF-8 in and out.
std::string FoldForSearch(std::string_view text);

// The words of a search key, folded: split at white space (ASCII, no-break and ideographic spaces).
std::vector<std::string> SearchWords(std::string_view key);

// What a song is searched by: title, singer and album, folded, one per line. A word never holds a line
// break, so no word can match across two of them.
std::string SearchTextOf(const Song& song);

// What a song is searched by in pinyin: the reading sets of its title, singer and album, with no
// readings between them, so that no run spans two of them.
std::vector<ReadingSet> SearchPinyinOf(const Song& song);
// The same appended to sets.
void AppendSearchPinyin(const Song& song, std::vector<ReadingSet>& sets);

// Whether one search word (folded) is in a song's search text, or, for a word of Latin letters,
// matches its pinyin (pinyin_match.h); letters is PinyinLetters(pinyin).
bool WordMatches(std::string_view text, std::span<const ReadingSet> pinyin, std::uint32_t letters,
                 std::string_view word);

// The page order: singer, then title (both with ASCII letters compared without regard to case, the rest
// by code point), then id.
bool PageOrderLess(const Song& a, const Song& b);

}  // namespace mulan::library
