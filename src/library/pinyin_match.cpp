#include "library/pinyin_match.h"

#include <algorithm>
#include <bit>

#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

bool LetterMatches(char typed, char syllable) {
    return typed == syllable || (typed == 'u' && syllable == 'v');
}

// How many letters of word, from at, the syllable gives in order.
std::size_t CommonLength(std::string_view syllable, std::string_view word, std::size_t at) {
    std::size_t n = 0;
    while (n < syllable.size() && at + n < word.size() && LetterMatches(word[at + n], syllable[n])) ++n;
    return n;
}

char32_t AsciiOfFullWidth(char32_t code) {
    return code >= 0xFF21 && code <= 0xFF5A ? code - 0xFEE0 : code;
}

}  // namespace

void AppendPinyin(std::string_view utf8, std::vector<ReadingSet>& sets) {
    for (std::size_t i = 0; i < utf8.size();)
        sets.push_back(ReadingsOf(AsciiOfFullWidth(utf8::Next(utf8, i))));
}

bool IsPinyinWord(std::string_view word) {
    return !word.empty() && word.size() <= kMostPinyinLetters &&
           std::all_of(word.begin(), word.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// One pass over text: reach holds, as bits, how many letters of word the runs ending before the
// current character have given; a run may also start at any character.
bool PinyinMatches(std::span<const ReadingSet> text, std::string_view word) {
    if (!IsPinyinWord(word)) return false;
    const std::size_t length = word.size();
    std::uint64_t reach = 0;
    for (const ReadingSet set : text) {
        if (set == kNoReadings) {
            reach = 0;
            continue;
        }
        reach |= 1;
        std::uint64_t next = 0;
        for (std::uint64_t left = reach; left != 0; left &= left - 1) {
            const auto at = static_cast<std::size_t>(std::countr_zero(left));
            for (const std::uint16_t id : SyllablesOf(set)) {
                const std::string_view syllable = SyllableText(id);
                const std::size_t common = CommonLength(syllable, word, at);
                if (common == 0) continue;
                if (common == length - at) return true;  // the word ends inside this syllable
                if (common == syllable.size()) next |= std::uint64_t{1} << (at + common);
                next |= std::uint64_t{1} << (at + 1);
            }
        }
        reach = next;
    }
    return false;
}

std::uint32_t PinyinLetters(std::span<const ReadingSet> text) {
    std::uint32_t letters = 0;
    for (const ReadingSet set : text) {
        for (const std::uint16_t id : SyllablesOf(set)) {
            for (const char c : SyllableText(id)) letters |= 1u << (c - 'a');
        }
    }
    return letters;
}

int PinyinPairKey(char first, char second) {
    const auto index = [](char c) { return (c == 'v' ? 'u' : c) - 'a'; };
    return index(first) * 26 + index(second);
}

void AppendPinyinPairs(std::span<const ReadingSet> text, std::vector<std::uint16_t>& keys) {
    const auto add = [&](char first, char second) {
        keys.push_back(static_cast<std::uint16_t>(PinyinPairKey(first, second)));
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (const std::uint16_t id : SyllablesOf(text[i])) {
            const std::string_view syllable = SyllableText(id);
            for (std::size_t k = 0; k + 1 < syllable.size(); ++k) add(syllable[k], syllable[k + 1]);
            if (i + 1 >= text.size()) continue;
            for (const std::uint16_t next : SyllablesOf(text[i + 1])) {
                const char first = SyllableText(next)[0];
                add(syllable.front(), first);
                if (syllable.size() > 1) add(syllable.back(), first);
            }
        }
    }
}

}  // namespace mulan::library
