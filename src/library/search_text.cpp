#include "library/search_text.h"

#include <algorithm>

namespace mulan::library {

namespace {

// Decodes one UTF-8 sequence at text[i]; malformed bytes come back one at a time as themselves, so that
// folding never changes what it does not understand.
char32_t NextCodePoint(std::string_view text, std::size_t& i, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || i + length > text.size()) {
        length = 1;
        return 0xFFFFFFFF;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            length = 1;
            return 0xFFFFFFFF;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    return code;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

char32_t LowerCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;         // Latin-1 capitals
    if (c >= 0x100 && c <= 0x17F) {                                   // Latin Extended-A: pairs
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x178) return 0xFF;
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;        // Greek capitals
    if (c >= 0x410 && c <= 0x42F) return c + 32;                      // Cyrillic capitals
    if (c >= 0x400 && c <= 0x40F) return c + 80;                      // Ѐ..Џ
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;                    // full-width Latin capitals
    return c;
}

bool IsSpace(char32_t c) { return c == U' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x3000; }

unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

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
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const char32_t code = NextCodePoint(text, i, length);
        if (code == 0xFFFFFFFF || code < 0x80) {
            const auto c = static_cast<unsigned char>(text[i]);
            out += static_cast<char>(AsciiLower(c));
        } else {
            AppendUtf8(out, LowerCase(code));
        }
        i += length;
    }
    return out;
}

std::vector<std::string> SearchWords(std::string_view key) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= key.size();) {
        std::size_t length = 1;
        const bool end = i == key.size();
        const bool space = !end && IsSpace(NextCodePoint(key, i, length));
        if (end || space) {
            if (i > start) words.push_back(FoldForSearch(key.substr(start, i - start)));
            start = i + length;
        }
        i += length;
    }
    return words;
}

std::string SearchTextOf(const Song& song) {
    return FoldForSearch(song.title) + '\n' + FoldForSearch(song.singer) + '\n' + FoldForSearch(song.album);
}

bool PageOrderLess(const Song& a, const Song& b) {
    if (const int singer = CompareWithoutAsciiCase(a.singer, b.singer)) return singer < 0;
    if (const int title = CompareWithoutAsciiCase(a.title, b.title)) return title < 0;
    return a.id < b.id;
}

}  // namespace mulan::library
