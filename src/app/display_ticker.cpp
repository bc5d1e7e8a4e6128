#include "app/display_ticker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/display_text.h"

namespace mulan::app {

namespace {

// The progress bar counts tenths of a second: it only takes whole numbers.
constexpr double kBarUnitsPerSecond = 10;

int RoundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, -1e9, 1e9)));
}

// The pixel column of the bar's filled part for a position; a bar with nothing to show has none.
int64_t BarPixel(int position, int range, int width) {
    if (range <= 0 || width <= 0) return -1;
    return static_cast<int64_t>(std::clamp(position, 0, range)) * width / range;
}

}  // namespace

void DisplayTicker::Tick(bool full, const std::vector<Text>& lyricLines) {
    const Text status = player_.status();
    if (status.empty()) return;
    const double duration = player_.duration();
    const double position = player_.currentPosition();
    ShowProgress(duration, position);
    if (full) {
        ShowSeekPosition(duration, position);
        const int volume = view_.Volume();
        if (player_.volume() != volume) player_.SetVolume(volume);
    }
    if (status != view_.ShownStatus()) view_.ShowStatus(status);
    const auto line = LyricLineFor(lyricLines, GetMusicLong(position));
    if (line && *line != view_.ShownLyricLine()) view_.ShowLyricLine(*line);
}

void DisplayTicker::ShowProgress(double duration, double position) {
    const int range = RoundHalfEven(duration * kBarUnitsPerSecond);
    const int at = RoundHalfEven(position * kBarUnitsPerSecond);
    const int width = view_.ProgressWidth();
    if (range == view_.ProgressRange() &&
        BarPixel(at, range, width) == BarPixel(view_.ProgressPosition(), range, width))
        return;
    view_.ShowProgress(range, at);
}

void DisplayTicker::ShowSeekPosition(double duration, double position) {
    const int maximum = RoundHalfEven(duration);
    const int at = RoundHalfEven(position);
    if (maximum == view_.SeekMaximum() && at == view_.SeekPosition()) return;
    view_.ShowSeekPosition(maximum, at);
}

}  // namespace mulan::app
