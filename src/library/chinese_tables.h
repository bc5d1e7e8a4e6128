#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Tables made at build time from Unihan (tools/tables/make_chinese_tables.py); read through
// chinese_text.h, not directly.
namespace mulan::library::tables {

struct CodeSet {
    char32_t code;
    std::uint16_t set;
};

struct Variant {
    char32_t from;
    char32_t to;
};

inline constexpr char32_t kDenseFirst = 0x3400;  // kDenseSets[code - kDenseFirst] up to U+9FFF

// Syllable n is kSyllableChars[kSyllableStarts[n] .. kSyllableStarts[n + 1]), toneless, ü as v.
extern const std::string_view kSyllableChars;
extern const std::span<const std::uint16_t> kSyllableStarts;
// Reading set n holds syllables kSetSyllables[kSetStarts[n] .. kSetStarts[n + 1]); set 0 is empty.
extern const std::span<const std::uint32_t> kSetStarts;
extern const std::span<const std::uint16_t> kSetSyllables;
extern const std::span<const std::uint16_t> kDenseSets;
extern const std::span<const CodeSet> kSparseSets;  // by code, outside the dense range
extern const std::span<const Variant> kSimplified;  // by from
// Bit n set: kDenseFirst + n has a simplified form (so that most characters need no search).
extern const std::span<const std::uint64_t> kDenseTraditional;
extern const std::span<const std::uint16_t> kLetterSets;  // the sets of 'a' .. 'z'

}  // namespace mulan::library::tables
