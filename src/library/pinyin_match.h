#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "library/chinese_text.h"

namespace mulan::library {

// Search by pinyin. A word of Latin letters matches a run of consecutive characters of a text where
// each character gives its whole syllable or its first letter and the last may give any prefix of its
// syllable (for a polyphone, any of its readings; "u" also stands for "ü", which the tables write v):
// "qinghuaci", "qhc", "qhci" and "qinghu" match 青花瓷, "qhuc" does not. A word of one letter matches
// a text where any syllable holds that letter.

// Longer words than this are never taken for pinyin.
inline constexpr std::size_t kMostPinyinLetters = 63;

// The reading sets of text's characters, appended one per code point; kNoReadings for a character
// without any (it ends a run). Full-width letters count as ASCII ones.
void AppendPinyin(std::string_view utf8, std::vector<ReadingSet>& sets);

// Whether a folded search word may match by pinyin: 1 to kMostPinyinLetters letters a to z.
bool IsPinyinWord(std::string_view word);

// Whether pinyin word (IsPinyinWord) matches a run of text.
bool PinyinMatches(std::span<const ReadingSet> text, std::string_view word);

// Bit n set: letter 'a' + n occurs in a syllable of text.
std::uint32_t PinyinLetters(std::span<const ReadingSet> text);

// Candidates for a word of two letters or more are found by its pairs of neighbouring letters: each
// pair of a match lies inside one syllable, or joins a character's first or last letter to the next
// character's first. Keys 0 to kPinyinPairs - 1, with v taken as u.
inline constexpr int kPinyinPairs = 26 * 26;
int PinyinPairKey(char first, char second);
// The pair keys a match in text could hold (repeats possible), appended to keys.
void AppendPinyinPairs(std::span<const ReadingSet> text, std::vector<std::uint16_t>& keys);

}  // namespace mulan::library
