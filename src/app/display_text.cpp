#include "app/display_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "base/decimal_text.h"

namespace mulan::app {

Text GetMusicLong(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    // Hundredths, halves to the even neighbour; a position beyond a year is no song's.
    const auto hundredths = static_cast<int64_t>(std::nearbyint(std::min(seconds, 3.2e7) * 100));
    // The whole seconds, however many digits they take: cutting them to four characters would make
    // a song longer than 2:46:40 count from 16:40 again.
    const int64_t whole = hundredths / 100;
    return DecimalText(whole / 60, 2) + u":" + DecimalText(whole % 60, 2) + u"." +
           DecimalText(hundredths % 100, 2);
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
