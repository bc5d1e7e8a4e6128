#include "library/html_text.h"

#include <cstddef>
#include <vector>

namespace mulan::library {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point that starts at text[i] and its length in bytes; a malformed byte is U+FFFD, one byte.
char32_t CodePointAt(std::string_view text, std::size_t i, std::size_t& length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    length = 1;
    if (lead < 0x80) return lead;
    const std::size_t size = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (size == 0 || lead > 0xF4 || i + size > text.size()) return kReplacement;
    char32_t code = lead & (0x7Fu >> size);
    for (std::size_t k = 1; k < size; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    length = size;
    return code;
}

void AppendReference(std::string& out, char32_t code) {
    out += "&#";
    out += std::to_string(static_cast<unsigned long>(code));
    out += ';';
}

std::string Escape(std::string_view value, bool quotes, bool equals) {
    std::string out;
    out.reserve(value.size() + value.size() / 8);
    for (const char c : value) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += quotes ? "&quot;" : "\"";
                break;
            case '\'':
                out += quotes ? "&#x27;" : "'";
                break;
            case '=':
                out += equals ? "&#61;" : "=";
                break;
            default:
                out += c;
        }
    }
    return out;
}

bool IsSqueezed(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string HtmlText(std::string_view value) {
    return Escape(value, false, false);
}

std::string HtmlAttr(std::string_view value) {
    return Escape(value, true, false);
}

std::string PlayText(std::string_view value) {
    return Escape(value, true, true);
}

std::string AsciiAttr(std::string_view value) {
    const std::string escaped = Escape(value, true, true);
    std::string out;
    out.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size();) {
        std::size_t length = 1;
        const char32_t code = CodePointAt(escaped, i, length);
        if (code < 0x80) {
            out += escaped[i];
        } else {
            AppendReference(out, code);
        }
        i += length;
    }
    return out;
}

std::string BreakMarkers(std::string_view escaped, std::initializer_list<std::string_view> markers) {
    // The text as the player searches it, with where each of its bytes came from.
    std::string squeezed;
    std::vector<std::size_t> origin;
    squeezed.reserve(escaped.size());
    origin.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (IsSqueezed(escaped[i])) continue;
        squeezed += escaped[i];
        origin.push_back(i);
    }
    std::vector<bool> broken(escaped.size(), false);
    bool any = false;
    for (const std::string_view marker : markers) {
        if (marker.empty()) continue;
        for (std::size_t at = squeezed.find(marker); at != std::string::npos;
             at = squeezed.find(marker, at + 1)) {
            broken[origin[at]] = true;
            any = true;
        }
    }
    if (!any) return std::string(escaped);
    std::string out;
    out.reserve(escaped.size() + 16);
    for (std::size_t i = 0; i < escaped.size();) {
        std::size_t length = 1;
        if (broken[i]) {
            AppendReference(out, CodePointAt(escaped, i, length));
        } else {
            out += escaped[i];
        }
        i += length;
    }
    return out;
}

}  // namespace mulan::library
