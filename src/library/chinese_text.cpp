#include "library/chinese_text.h"

#include <algorithm>

#include "library/chinese_tables.h"

namespace mulan::library {

namespace {

ReadingSet OwnReadings(char32_t code) {
    if (code >= U'a' && code <= U'z') return tables::kLetterSets[code - U'a'];
    if (code >= U'A' && code <= U'Z') return tables::kLetterSets[code - U'A'];
    if (code >= tables::kDenseFirst && code - tables::kDenseFirst < tables::kDenseSets.size())
        return tables::kDenseSets[code - tables::kDenseFirst];
    const auto& sparse = tables::kSparseSets;
    const auto found =
        std::lower_bound(sparse.begin(), sparse.end(), code,
                         [](const tables::CodeSet& entry, char32_t c) { return entry.code < c; });
    return found != sparse.end() && found->code == code ? found->set : kNoReadings;
}

}  // namespace

char32_t SimplifiedOf(char32_t code) {
    if (code < 0x2E80) return code;  // below the CJK radicals: nothing to fold
    if (code >= tables::kDenseFirst && (code - tables::kDenseFirst) / 64 < tables::kDenseTraditional.size()) {
        const char32_t n = code - tables::kDenseFirst;
        if ((tables::kDenseTraditional[n / 64] >> (n % 64) & 1) == 0) return code;
    }
    const auto& variants = tables::kSimplified;
    const auto found =
        std::lower_bound(variants.begin(), variants.end(), code,
                         [](const tables::Variant& entry, char32_t c) { return entry.from < c; });
    return found != variants.end() && found->from == code ? found->to : code;
}

ReadingSet ReadingsOf(char32_t code) {
    const ReadingSet own = OwnReadings(code);
    if (own != kNoReadings) return own;
    const char32_t simplified = SimplifiedOf(code);
    return simplified == code ? kNoReadings : OwnReadings(simplified);
}

std::span<const std::uint16_t> SyllablesOf(ReadingSet set) {
    if (set + 1u >= tables::kSetStarts.size()) return {};
    return tables::kSetSyllables.subspan(tables::kSetStarts[set],
                                         tables::kSetStarts[set + 1] - tables::kSetStarts[set]);
}

std::string_view SyllableText(std::uint16_t syllable) {
    if (syllable + 1u >= tables::kSyllableStarts.size()) return {};
    const std::size_t start = tables::kSyllableStarts[syllable];
    return tables::kSyllableChars.substr(start, tables::kSyllableStarts[syllable + 1] - start);
}

}  // namespace mulan::library
