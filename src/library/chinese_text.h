#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace mulan::library {

// What search knows of Chinese characters (from Unihan, at build time).

// The simplified form of a traditional character; other characters as they are. Folding twice gives
// what folding once gives.
char32_t SimplifiedOf(char32_t code);

// A reading set: the toneless Mandarin syllables of a character (all of them for a polyphone), ü
// written v. Characters with the same readings share a set; 0 is the set of none. An ASCII letter,
// either case, is a set of its own holding the letter as a one-letter syllable.
using ReadingSet = std::uint16_t;
inline constexpr ReadingSet kNoReadings = 0;

// code's readings; where code has none, its simplified form's.
ReadingSet ReadingsOf(char32_t code);

// The syllable ids of a set.
std::span<const std::uint16_t> SyllablesOf(ReadingSet set);
// A syllable's letters (a to z).
std::string_view SyllableText(std::uint16_t syllable);

}  // namespace mulan::library
