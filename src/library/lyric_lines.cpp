#include "library/lyric_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "library/gbk_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::int64_t kMostHundredths = 999 * 6000 + 5999;  // [999:59.99], the last time TimeTag writes
// Offsets beyond any song's length all have the same effect; the bound keeps the arithmetic in range.
constexpr std::int64_t kMostOffsetMs = 1'000'000'000'000;

// The non-empty lines of text, without NUL characters, stripped of white space, invalid UTF-8 replaced.
std::vector<std::string> CleanLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string line;
    std::size_t kept = 0;  // line's length up to its last character that is not white space
    const auto finish = [&] {
        line.resize(kept);
        if (!line.empty()) lines.push_back(std::move(line));
        line.clear();
        kept = 0;
    };
    for (std::size_t i = 0; i < text.size();) {
        const char32_t code = utf8::Next(text, i);
        if (utf8::IsLineBreak(code)) {
            finish();
        } else if (code == 0) {
            continue;
        } else if (utf8::IsSpace(code)) {
            if (!line.empty()) utf8::Append(line, code);
        } else {
            utf8::Append(line, code);
            kept = line.size();
        }
    }
    finish();
    return lines;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// From least to most digits at text[i], their value in value; i moves past them.
bool Digits(std::string_view text, std::size_t& i, std::size_t least, std::size_t most,
            std::uint32_t& value) {
    std::size_t count = 0;
    value = 0;
    while (i < text.size() && count < most && IsDigit(text[i])) {
        value = value * 10 + static_cast<std::uint32_t>(text[i++] - '0');
        ++count;
    }
    return count >= least;
}

// The time, in milliseconds, of a tag at text[i] between open and close: m:s with 1–3 minute digits, 1–2
// second digits and an optional fraction of 1–3 digits after "." or ":" (.5 is 500 ms, .05 is 50 ms);
// i moves past the tag. nullopt, i unmoved, for anything else.
std::optional<std::uint32_t> ReadTime(std::string_view text, std::size_t& i, char open, char close) {
    std::size_t at = i;
    if (at >= text.size() || text[at++] != open) return std::nullopt;
    std::uint32_t minutes = 0, seconds = 0, fraction = 0;
    if (!Digits(text, at, 1, 3, minutes) || at >= text.size() || text[at++] != ':') return std::nullopt;
    if (!Digits(text, at, 1, 2, seconds) || at >= text.size()) return std::nullopt;
    std::uint32_t scale = 0;
    if (text[at] == '.' || text[at] == ':') {
        const std::size_t start = ++at;
        if (!Digits(text, at, 1, 3, fraction)) return std::nullopt;
        scale = at - start == 1 ? 100 : at - start == 2 ? 10 : 1;
    }
    if (at >= text.size() || text[at] != close) return std::nullopt;
    i = at + 1;
    return minutes * 60000 + seconds * 1000 + fraction * scale;
}

bool StartsWithTimeTag(std::string_view line) {
    std::size_t i = 0;
    return ReadTime(line, i, '[', ']').has_value();
}

// Whether line starts with a header tag, [name:value] with a name of ASCII letters or "#" ([ti:],
// [ar:], [offset:], [#:] and the like); name and value are set when it does.
bool HeaderTag(std::string_view line, std::string_view& name, std::string_view& value) {
    if (line.empty() || line[0] != '[') return false;
    std::size_t colon = 1;
    while (colon < line.size() && (IsLetter(line[colon]) || line[colon] == '#')) ++colon;
    if (colon == 1 || colon >= line.size() || line[colon] != ':') return false;
    const std::size_t close = line.find(']', colon);
    if (close == std::string_view::npos) return false;
    name = line.substr(1, colon - 1);
    value = line.substr(colon + 1, close - colon - 1);
    return true;
}

bool IsOffsetName(std::string_view name) {
    constexpr std::string_view kOffset = "offset";
    return name.size() == kOffset.size() &&
           std::equal(name.begin(), name.end(), kOffset.begin(),
                      [](char a, char b) { return (IsLetter(a) ? (a | 0x20) : a) == b; });
}

// An [offset:] value in milliseconds: white space, an optional sign and digits.
std::optional<std::int64_t> OffsetMs(std::string_view value) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!value.empty() && blank(value.front())) value.remove_prefix(1);
    while (!value.empty() && blank(value.back())) value.remove_suffix(1);
    const bool negative = value.starts_with('-');
    if (negative || value.starts_with('+')) value.remove_prefix(1);
    if (value.empty()) return std::nullopt;
    std::int64_t ms = 0;
    for (const char c : value) {
        if (!IsDigit(c)) return std::nullopt;
        ms = std::min(ms * 10 + (c - '0'), kMostOffsetMs);
    }
    return negative ? -ms : ms;
}

// A tag's time moved by the offset (a positive offset makes it earlier), in hundredths rounded half to
// even as TimeTag rounds, within what TimeTag writes.
std::int64_t ShiftedHundredths(std::uint32_t ms, std::int64_t offset) {
    const std::int64_t time = static_cast<std::int64_t>(ms) - offset;
    if (time <= 0) return 0;
    std::int64_t hundredths = time / 10;
    const std::int64_t rest = time % 10;
    if (rest > 5 || (rest == 5 && hundredths % 2 == 1)) ++hundredths;
    return std::min(hundredths, kMostHundredths);
}

std::string TagOf(std::int64_t hundredths) {
    return TimeTag(static_cast<double>(hundredths) / 100);
}

// The start of text's last code point (text is well-formed UTF-8).
std::size_t LastCodeStart(std::string_view text) {
    std::size_t start = text.size() - 1;
    while (start > 0 && text.size() - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    return start;
}

bool EndsInSpace(std::string_view text) {
    std::size_t i = LastCodeStart(text);
    return utf8::IsSpace(utf8::Next(text, i));
}

// Removes the time tag that out ends with, if its last character closed one: word timing <mm:ss.xx> or
// a per-word [mm:ss.xx]. Only the last opener of the longest tag's length back can start it, so the
// look back is bounded and removing tags stays linear.
bool DropClosedTag(std::string& out) {
    constexpr std::size_t kLongestTag = 12;  // [mmm:ss.xxx]
    const char open = out.back() == ']' ? '[' : '<';
    const std::size_t from = out.size() > kLongestTag ? out.size() - kLongestTag : 0;
    const std::size_t found = std::string_view(out).substr(from).rfind(open);
    if (found == std::string_view::npos) return false;
    std::size_t i = from + found;
    if (!ReadTime(out, i, open, out.back()) || i != out.size()) return false;
    out.resize(from + found);
    return true;
}

// A line's text without word timing and time tags; tags are removed as they close, so tags that only
// appear once others are gone go as well. White space left doubled where a tag was is dropped.
std::string CleanText(std::string_view text) {
    std::string out;
    bool dropSpace = true;  // at the start, and after a removed tag that followed white space
    for (std::size_t i = 0; i < text.size();) {
        const char32_t code = utf8::Next(text, i);
        if (utf8::IsSpace(code)) {
            if (!dropSpace) utf8::Append(out, code);
            continue;
        }
        utf8::Append(out, code);
        dropSpace = false;
        if ((code == ']' || code == '>') && DropClosedTag(out)) dropSpace = out.empty() || EndsInSpace(out);
    }
    while (!out.empty() && EndsInSpace(out)) out.resize(LastCodeStart(out));
    return out;
}

// A timed line: its time in milliseconds, then hundredths once the offset is known, and its text.
struct Timed {
    std::uint32_t ms = 0;
    std::int64_t hundredths = 0;
    std::size_t text = 0;  // index into the texts
};

// Output lines within kMaxLinesBytes together.
class LineBudget {
  public:
    bool Add(std::vector<std::string>& lines, std::string line) {
        used_ += line.size();
        if (used_ > kMaxLinesBytes) return false;
        lines.push_back(std::move(line));
        return true;
    }

  private:
    std::size_t used_ = 0;
};

// The timed lines in time order; see LinesFromText for the rules.
std::vector<std::string> TimedLines(const std::vector<std::string>& lines) {
    std::optional<std::int64_t> offset;
    std::vector<std::string> texts;
    std::vector<Timed> timed;
    for (const std::string& line : lines) {
        std::string_view name, value;
        if (HeaderTag(line, name, value)) {
            if (!offset && IsOffsetName(name)) offset = OffsetMs(value);
            continue;
        }
        std::size_t textStart = 0;
        const std::size_t first = timed.size();
        for (;;) {
            std::size_t at = textStart;
            while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
            const auto ms = ReadTime(line, at, '[', ']');
            if (!ms) break;
            timed.push_back({*ms, 0, texts.size()});
            textStart = at;
        }
        // A line without a time would never be shown by the player; giving it the time of the line
        // before would hide that line instead (the last line naming a second wins). So it goes, as LRC
        // readers drop it.
        if (timed.size() == first) continue;
        texts.push_back(CleanText(std::string_view(line).substr(textStart)));
    }
    for (Timed& line : timed) line.hundredths = ShiftedHundredths(line.ms, offset.value_or(0));
    std::stable_sort(timed.begin(), timed.end(),
                     [](const Timed& a, const Timed& b) { return a.hundredths < b.hundredths; });

    std::vector<std::string> out;
    LineBudget budget;
    bool anyText = false, full = false;
    for (std::size_t group = 0; group < timed.size() && !full;) {
        // The lines of one second, which the player cannot tell apart.
        const std::int64_t second = timed[group].hundredths / 100;
        std::size_t end = group;
        bool groupText = false;
        for (; end < timed.size() && timed[end].hundredths / 100 == second; ++end)
            groupText = groupText || !texts[timed[end].text].empty();
        for (; group < end && !full; ++group) {
            const std::string& text = texts[timed[group].text];
            // A line without text ends the line before it: the player then shows nothing until the next
            // one, rather than the last words through an instrumental. In a second that has a line with
            // text it would hide that line, so it goes.
            if (text.empty() && groupText) continue;
            full = !budget.Add(out, TagOf(timed[group].hundredths) + text);
            anyText = anyText || (!full && !text.empty());
        }
    }
    if (!anyText) return {};
    return out;
}

// Untimed lines, spread evenly over duration seconds (kUntimedStepSeconds apart when it is unknown).
std::vector<std::string> SpreadLines(const std::vector<std::string>& lines, double duration) {
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
        std::string_view name, value;
        if (HeaderTag(line, name, value)) continue;
        std::string text = CleanText(line);
        if (!text.empty()) texts.push_back(std::move(text));
    }
    const double step = duration > 0 && std::isfinite(duration) ? duration / static_cast<double>(texts.size())
                                                                : kUntimedStepSeconds;
    std::vector<std::string> out;
    LineBudget budget;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!budget.Add(out, TimeTag(static_cast<double>(i) * step) + texts[i])) break;
    }
    return out;
}

std::optional<std::vector<std::string>> Normalised(std::string_view text, double duration) {
    if (text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());
    const std::vector<std::string> lines = CleanLines(text);
    std::vector<std::string> out = std::any_of(lines.begin(), lines.end(), StartsWithTimeTag)
                                       ? TimedLines(lines)
                                       : SpreadLines(lines, duration);
    if (out.empty()) return std::nullopt;
    return out;
}

// UTF-16 after its byte order mark, in UTF-8; lone surrogates and an odd last byte become U+FFFD.
std::string Utf8FromUtf16(std::string_view bytes, bool bigEndian) {
    const auto unit = [&](std::size_t at) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        return bigEndian ? (char32_t{first} << 8) | second : (char32_t{second} << 8) | first;
    };
    std::string out;
    out.reserve(bytes.size() / 2 * 3);
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        char32_t code = unit(i);
        if (code >= 0xD800 && code <= 0xDBFF && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        utf8::Append(out, code >= 0xD800 && code <= 0xDFFF ? utf8::kReplacement : code);
    }
    if (i < bytes.size()) utf8::Append(out, utf8::kReplacement);
    return out;
}

}  // namespace

std::string TimeTag(double seconds) {
    double hundredths = seconds > 0 ? std::nearbyint(seconds * 100) : 0;  // also 0 for NaN
    if (hundredths > kMostHundredths) hundredths = kMostHundredths;
    const auto whole = static_cast<unsigned>(hundredths);
    char tag[32];
    std::snprintf(tag, sizeof tag, "[%02u:%02u.%02u]", whole / 6000, whole % 6000 / 100, whole % 100);
    return tag;
}

std::optional<std::vector<std::string>> LinesFromText(std::string_view text, double duration) {
    if (text.empty() || text.size() > kMaxLyricsBytes) return std::nullopt;
    return Normalised(text, duration);
}

std::optional<std::vector<std::string>> LinesFromTimed(std::vector<std::pair<std::string, double>> entries) {
    std::size_t total = 0;
    for (auto& [text, seconds] : entries) {
        total += text.size();
        if (total > kMaxLyricsBytes) return std::nullopt;
        if (std::isnan(seconds)) seconds = 0;  // keeps the order strict
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.second < b.second; });
    std::vector<std::string> lines;
    for (const auto& [text, seconds] : entries) {
        std::vector<std::string> pieces = CleanLines(text);
        if (pieces.empty()) continue;
        const std::string tag = TimeTag(seconds);
        for (std::string& piece : pieces) lines.push_back(tag + piece);
    }
    if (lines.empty()) return std::nullopt;
    return lines;
}

std::optional<std::vector<std::string>> LinesFromLrc(std::string_view bytes, const site::Codec& codec,
                                                     double duration) {
    std::string decoded;
    std::string_view text = bytes;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        decoded = Utf8FromUtf16(bytes.substr(2), bytes[0] == '\xFE');
        text = decoded;
    } else if (!bytes.starts_with(kUtf8Mark) && !utf8::IsValid(bytes)) {
        // With a UTF-8 mark the text is UTF-8 even where it is broken (CleanLines replaces that); without
        // one, what is not UTF-8 is the GBK (GB18030) that Chinese editors save by default.
        decoded = DecodeGb18030(codec, bytes);
        text = decoded;
    }
    return Normalised(text, duration);
}

std::optional<std::vector<std::string>> ReadLrcFile(const std::filesystem::path& file,
                                                    const site::Codec& codec, double duration) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string data;
    char buffer[16384];
    while (data.size() <= kMaxLrcBytes) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        data.append(buffer, std::min(got, kMaxLrcBytes + 1 - data.size()));
        if (got < sizeof buffer) break;
    }
    if (in.bad() || data.size() > kMaxLrcBytes) return std::nullopt;
    return LinesFromLrc(data, codec, duration);
}

}  // namespace mulan::library
