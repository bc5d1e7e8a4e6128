#include "library/song_tags.h"

#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

// C0 and C1 control characters and DEL.
bool IsControl(char32_t code) {
    return code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0);
}

// value with control characters as spaces and invalid UTF-8 replaced, white space kept as it is,
// bounded by kMaxFieldBytes: for a name that is nothing but white space.
std::string SpacesKept(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size();) {
        char32_t code = utf8::Next(value, i);
        if (IsControl(code)) code = ' ';
        if (out.size() + utf8::Length(code) > kMaxFieldBytes) break;
        utf8::Append(out, code);
    }
    return out;
}

// Python's posixpath.splitext: the extension starts at the last dot, unless only dots come before it.
std::string_view Stem(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return name;
    const std::size_t first = name.find_first_not_of('.');
    return first < dot ? name.substr(0, dot) : name;
}

}  // namespace

std::string OneLine(std::string_view value) {
    std::string out;
    out.reserve(value.size() < kMaxFieldBytes ? value.size() : kMaxFieldBytes);
    bool space = false;
    for (std::size_t i = 0; i < value.size();) {
        const char32_t code = utf8::Next(value, i);
        if (IsControl(code) || utf8::IsSpace(code)) {
            space = true;
            continue;
        }
        const bool gap = space && !out.empty();
        if (out.size() + utf8::Length(code) + (gap ? 1 : 0) > kMaxFieldBytes) break;
        if (gap) out += ' ';
        space = false;
        utf8::Append(out, code);
    }
    return out;
}

SongTags TagsFromName(std::string_view relative) {
    const std::size_t slash = relative.rfind('/');
    const std::string_view stem =
        Stem(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    std::string_view singer;
    std::string_view title = stem;
    if (const std::size_t dash = stem.find(" - "); dash != std::string_view::npos) {
        singer = stem.substr(0, dash);
        title = stem.substr(dash + 3);
    }
    SongTags tags;
    tags.title = OneLine(title);
    if (tags.title.empty()) tags.title = OneLine(stem);
    if (tags.title.empty()) tags.title = SpacesKept(stem);
    tags.singer = OneLine(singer);
    return tags;
}

}  // namespace mulan::library
