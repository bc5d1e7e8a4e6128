#include "library/lyric_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "library/gbk_text.h"
#include "library/utf8_scan.h"

namespace mulan::library {

namespace {

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

// Digits at line[i], from least to most of them; i moves past them.
bool Digits(std::string_view line, std::size_t& i, std::size_t least, std::size_t most) {
    std::size_t count = 0;
    while (i < line.size() && count < most && IsDigit(line[i])) ++i, ++count;
    return count >= least;
}

// Whether line starts with a time tag: [m:s], [mm:ss.xx] or [mm:ss:xx] (1–3 minute digits, 1–2 second
// digits, 1–3 fraction digits).
bool StartsWithTimeTag(std::string_view line) {
    std::size_t i = 0;
    if (i >= line.size() || line[i++] != '[') return false;
    if (!Digits(line, i, 1, 3) || i >= line.size() || line[i++] != ':') return false;
    if (!Digits(line, i, 1, 2) || i >= line.size()) return false;
    if (line[i] == '.' || line[i] == ':') {
        ++i;
        if (!Digits(line, i, 1, 3)) return false;
    }
    return i < line.size() && line[i] == ']';
}

}  // namespace

std::string TimeTag(double seconds) {
    constexpr double kMostHundredths = 999 * 6000 + 5999;
    double hundredths = seconds > 0 ? std::nearbyint(seconds * 100) : 0;  // also 0 for NaN
    if (hundredths > kMostHundredths) hundredths = kMostHundredths;
    const auto whole = static_cast<unsigned>(hundredths);
    char tag[32];
    std::snprintf(tag, sizeof tag, "[%02u:%02u.%02u]", whole / 6000, whole % 6000 / 100, whole % 100);
    return tag;
}

std::optional<std::vector<std::string>> LinesFromText(std::string_view text, double duration) {
    if (text.empty() || text.size() > kMaxLyricsBytes) return std::nullopt;
    std::vector<std::string> lines = CleanLines(text);
    if (lines.empty()) return std::nullopt;
    if (std::any_of(lines.begin(), lines.end(), StartsWithTimeTag)) return lines;
    const double step = duration > 0 && std::isfinite(duration) ? duration / static_cast<double>(lines.size())
                                                                : kUntimedStepSeconds;
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i].insert(0, TimeTag(static_cast<double>(i) * step));
    return lines;
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

std::optional<std::vector<std::string>> ReadLrcFile(const std::filesystem::path& file,
                                                    const site::Codec& codec) {
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
    std::string_view text = data;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string> lines =
        utf8::IsValid(text) ? CleanLines(text) : CleanLines(DecodeGbk(codec, data));
    if (lines.empty()) return std::nullopt;
    return lines;
}

}  // namespace mulan::library
