#pragma once

#include <cstdint>

#include "base/text.h"
#include "base/tray_notice.h"

namespace mulan::app {

// What several parts of the player show alike: the now-playing text, the pause item's captions and
// the tray's information balloon.
inline constexpr char16_t kNowPlaying[] = u"正在播放：";
inline constexpr char16_t kNoAddress[] = u"无法获取歌曲地址：";
inline constexpr char16_t kPausePlaying[] = u"播放中";
inline constexpr char16_t kPausePaused[] = u"已暂停";
inline constexpr char16_t kPauseStopped[] = u"停止播放";
// The playing entry's text colour in the playlist, 0xBBGGRR.
inline constexpr uint32_t kPlayingColour = 0xC000;

inline constexpr uint32_t kInfoBalloon = 1;
// The start-up notice's flags as the tray has always been given them.
inline constexpr uint32_t kStartupBalloon = 10;
inline constexpr uint32_t kNoticeTimeoutMs = 5000;

// A tray notice with the information balloon, shown for the usual time.
inline TrayNotice InfoNotice(TextView tip, TextView balloon) {
    return TrayNotice{Text(tip), Text(balloon), kInfoBalloon, kNoticeTimeoutMs};
}

}  // namespace mulan::app
