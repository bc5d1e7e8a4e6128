// Any bytes as an .lrc file and as a tag's lyrics text: every line is one [mm:ss.xx] time tag and a
// text that holds no time tag, the lines in time order, at least one with text, within their bounds;
// and the lines read again come out the same (the lyrics page's lines are what the player reads).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_site.h"
#include "library/lyric_lines.h"
#include "library/utf8_scan.h"

namespace {

using Lines = std::vector<std::string>;

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// The hundredths of the "[mm:ss.xx]" or "[mmm:ss.xx]" that line starts with (minutes 00–999, seconds
// 00–59), -1 when it does not start with one; text is what follows it.
long Leading(std::string_view line, std::string_view& text) {
    const std::size_t minutes = line.size() > 3 && line[3] == ':' ? 2 : 3;
    const std::size_t size = minutes + 8;
    if (line.size() < size || line[0] != '[' || line[minutes + 1] != ':' || line[minutes + 4] != '.' ||
        line[size - 1] != ']')
        return -1;
    long value = 0;
    for (std::size_t i = 1; i < size - 1; ++i) {
        if (i == minutes + 1 || i == minutes + 4) continue;
        if (!Digit(line[i])) return -1;
        value = value * 10 + (line[i] - '0');
    }
    const long seconds = value / 100 % 100;
    if (seconds > 59) return -1;
    text = line.substr(size);
    return value / 10000 * 6000 + seconds * 100 + value % 100;
}

// Whether text holds a time (digits:digits, optionally .digits or :digits) between open and close.
bool HoldsTime(std::string_view text, char open, char close) {
    for (std::size_t at = text.find(open); at != std::string_view::npos; at = text.find(open, at + 1)) {
        std::size_t i = at + 1, digits = 0;
        while (i < text.size() && Digit(text[i])) ++i, ++digits;
        if (digits == 0 || digits > 3 || i >= text.size() || text[i++] != ':') continue;
        digits = 0;
        while (i < text.size() && Digit(text[i])) ++i, ++digits;
        if (digits == 0 || digits > 2 || i >= text.size()) continue;
        if (text[i] == '.' || text[i] == ':') {
            digits = 0;
            for (++i; i < text.size() && Digit(text[i]);) ++i, ++digits;
            if (digits == 0 || digits > 3) continue;
        }
        if (i < text.size() && text[i] == close) return true;
    }
    return false;
}

void CheckLines(const std::optional<Lines>& lines) {
    using mulan::fuzz::Check;
    if (!lines) return;
    Check(!lines->empty(), "lines given as none");
    std::size_t total = 0;
    long previous = 0;
    bool anyText = false;
    std::string joined;
    for (const std::string& line : *lines) {
        std::string_view text;
        const long time = Leading(line, text);
        Check(time >= 0, "a line that does not start with a time tag");
        Check(time >= previous, "lines out of time order");
        previous = time;
        Check(!HoldsTime(text, '[', ']') && !HoldsTime(text, '<', '>'), "a time tag left in a line's text");
        Check(mulan::library::utf8::IsValid(text), "a line that is not UTF-8");
        Check(text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos,
              "a line with a break or NUL");
        anyText = anyText || !text.empty();
        total += line.size();
        joined += line;
        joined += '\n';
    }
    Check(anyText, "lines without any text");
    Check(total <= mulan::library::kMaxLinesBytes, "lines beyond their bound");
    if (joined.size() <= mulan::library::kMaxLyricsBytes)
        Check(mulan::library::LinesFromText(joined, 0) == lines, "lines read again come out otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mulan;
    static const site::IconvCodec codec;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The song's length, when it is known, spreads untimed lines.
    const double duration = size == 0 ? 0 : data[size - 1] % 4 * 61.7;
    CheckLines(library::LinesFromLrc(bytes, codec, duration));
    CheckLines(library::LinesFromText(bytes, duration));
    return 0;
}
