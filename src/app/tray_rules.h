#pragma once

#include <cstdint>

#include "base/text.h"

namespace mulan::app {

// What a notification from the tray icon (the callback message's lParam) asks for.
enum class TrayAction { None, RefreshTip, ToggleWindow, OpenMenu };

inline constexpr intptr_t kTrayLeftButtonUp = 514;
inline constexpr intptr_t kTrayRightButtonUp = 517;
inline constexpr intptr_t kTrayBalloonTimeout = 1028;
inline constexpr intptr_t kTrayBalloonClick = 1029;

// Only the callback message carries tray notifications; every other message is left alone.
TrayAction TrayActionFor(uint32_t message, intptr_t lParam);

// The tip once a song has been announced ("正在播放：" + title), otherwise the window caption.
Text AnnouncedTip(TextView nowPlayingTitle, int16_t trayNoticeState, TextView caption);

}  // namespace mulan::app
