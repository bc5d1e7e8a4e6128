#include "library/search_text.h"

#include <algorithm>

#include "library/chinese_text.h"
#include "library/pinyin_match.h"
#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

char32_t LowerCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;  // Latin-1 capitals
    if (c >= 0x100 && c <= 0x17F) {                            // Latin Extended-A: pairs
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x178) return 0xFF;
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek capitals
    if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic capitals
    if (c >= 0x400 && c <= 0x40F) return c + 80;                // Ѐ..Џ
    return c;
}

// One character as search compares it: full-width forms as their ASCII, the ideographic space as a
// space, Latin, Greek and Cyrillic in lower case, traditional Chinese as simplified.
char32_t FoldChar(char32_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    if (c == 0x3000) return U' ';
    return c < 0x2E80 ? LowerCase(c) : SimplifiedOf(c);
}

unsigned char AsciiLower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c;
}

int CompareWithoutAsciiCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = AsciiLower(static_cast<unsigned char>(a[i]));
        const unsigned char y = AsciiLower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::string FoldForSearch(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) utf8::Append(out, FoldChar(utf8::Next(text, i)));
    return out;
}

std::vector<std::string> SearchWords(std::string_view key) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t i = 0; i < key.size();) {
        const std::size_t at = i;
        if (!utf8::IsSpace(utf8::Next(key, i))) continue;
        if (at > start) words.push_back(FoldForSearch(key.substr(start, at - start)));
        start = i;
    }
    if (key.size() > start) words.push_back(FoldForSearch(key.substr(start)));
    return words;
}

std::string SearchTextOf(const Song& song) {
    return FoldForSearch(song.title) + '\n' + FoldForSearch(song.singer) + '\n' + FoldForSearch(song.album);
}

std::vector<ReadingSet> SearchPinyinOf(const Song& song) {
    std::vector<ReadingSet> sets;
    AppendSearchPinyin(song, sets);
    return sets;
}

void AppendSearchPinyin(const Song& song, std::vector<ReadingSet>& sets) {
    AppendPinyin(song.title, sets);
    sets.push_back(kNoReadings);
    AppendPinyin(song.singer, sets);
    sets.push_back(kNoReadings);
    AppendPinyin(song.album, sets);
}

bool WordMatches(std::string_view text, std::span<const ReadingSet> pinyin, std::uint32_t letters,
                 std::string_view word) {
    if (text.find(word) != std::string_view::npos) return true;
    if (!IsPinyinWord(word)) return false;
    if (word.size() == 1) return (letters >> (word[0] - 'a') & 1) != 0;
    return PinyinMatches(pinyin, word);
}

bool PageOrderLess(const Song& a, const Song& b) {
    if (const int singer = CompareWithoutAsciiCase(a.singer, b.singer)) return singer < 0;
    if (const int title = CompareWithoutAsciiCase(a.title, b.title)) return title < 0;
    return a.id < b.id;
}

}  // namespace mulan::library
