#include "app/display_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace mulan::app {

namespace {

Text Ascii(const std::string& s) {
    return Text(s.begin(), s.end());
}

Text TwoDigits(int64_t value) {
    std::string digits = std::to_string(value);
    if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
    return Ascii(digits);
}

}  // namespace

Text GetMusicLong(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    // Hundredths, halves to the even neighbour; a position beyond a year is no song's.
    const auto hundredths = static_cast<int64_t>(std::nearbyint(std::min(seconds, 3.2e7) * 100));
    // The whole seconds, however many digits they take: cutting them to four characters would make
    // a song longer than 2:46:40 count from 16:40 again.
    const int64_t whole = hundredths / 100;
    return TwoDigits(whole / 60) + u":" + TwoDigits(whole % 60) + u"." + TwoDigits(hundredths % 100);
}

std::optional<Text> LyricLineFor(const std::vector<Text>& lines, TextView t) {
    const TextView key = t.substr(0, 5);
    std::optional<Text> shown;
    for (const Text& line : lines) {
        if (line.find(key) == Text::npos) continue;
        const size_t bracket = line.rfind(u']');
        if (bracket == Text::npos) continue;
        shown = line.substr(bracket + 1);
    }
    return shown;
}

Text PlaylistToolTip(TextView url, TextView title) {
    Text tip = u"ID：" + Text(url) + u"\r\n\t 曲名：" + Text(title);
    std::erase(tip, u' ');
    return tip;
}

Text StatusBarToolTip(TextView panel1, TextView panel2) {
    return Text(panel1) + u"  \r\n" + Text(panel2);
}

}  // namespace mulan::app
