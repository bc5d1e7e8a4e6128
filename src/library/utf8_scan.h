#pragma once

// UTF-8 scanning shared by the tag and lyrics readers (internal to the library: header only).

#include <cstddef>
#include <string>
#include <string_view>

namespace mulan::library::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at text[i]; i moves past it. A malformed or truncated sequence, an overlong
// form, a surrogate or a value past U+10FFFF gives kReplacement and moves past its lead byte and the
// continuation bytes that fit it.
inline char32_t Next(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07u, least = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) return kReplacement;
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (next & 0x3Fu);
        ++i;
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
    return code;
}

// Bytes that code takes in UTF-8.
inline std::size_t Length(char32_t code) {
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

inline void Append(std::string& out, char32_t code) {
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

// Whether text is well-formed UTF-8 throughout (a U+FFFD written in it counts as well-formed).
inline bool IsValid(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (Next(text, i) == kReplacement && text.substr(start, i - start) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

// White space as Python's str.isspace() has it: what the Python tools split and strip at.
inline bool IsSpace(char32_t code) {
    return (code >= 0x09 && code <= 0x0D) || (code >= 0x1C && code <= 0x20) || code == 0x85 || code == 0xA0 ||
           code == 0x1680 || (code >= 0x2000 && code <= 0x200A) || code == 0x2028 || code == 0x2029 ||
           code == 0x202F || code == 0x205F || code == 0x3000;
}

// Line breaks as Python's str.splitlines() has them ("\r\n" counts as one).
inline bool IsLineBreak(char32_t code) {
    return code == '\n' || code == '\r' || code == 0x0B || code == 0x0C || (code >= 0x1C && code <= 0x1E) ||
           code == 0x85 || code == 0x2028 || code == 0x2029;
}

}  // namespace mulan::library::utf8
